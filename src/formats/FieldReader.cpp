#include "formats/FieldReader.h"

namespace formats {

std::optional<QByteArray> ReadFirstField(const QByteArray &bytes, SkipLineBreaks skip)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n &&
           (bytes[i] == ' ' || (skip == SkipLineBreaks::Yes && (bytes[i] == '\r' || bytes[i] == '\n'))))
        ++i;
    if (i >= n)
        return std::nullopt;

    if (bytes[i] == '"') {
        const qsizetype start = i + 1;
        qsizetype end = start;
        if (skip == SkipLineBreaks::Yes) {
            while (end < n && bytes[end] != '"')
                ++end;
        } else {
            // A quoted password cannot span lines; an unclosed quote ends at the line end.
            while (end < n && bytes[end] != '"' && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
        }
        return bytes.mid(start, end - start);
    }

    if (bytes[i] == '\r' || bytes[i] == '\n')
        return std::nullopt; // an empty first line holds no field
    qsizetype end = i;
    while (end < n && bytes[end] != ',' && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    // Unquoted fields lose their trailing blanks, as the original reader did.
    qsizetype last = end;
    while (last > i && bytes[last - 1] == ' ')
        --last;
    return bytes.mid(i, last - i);
}

QByteArray QuotedLine(const QByteArray &text)
{
    return '"' + text + "\"\r\n";
}

} // namespace formats
