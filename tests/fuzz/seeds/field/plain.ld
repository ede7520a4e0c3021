  unquoted, field
