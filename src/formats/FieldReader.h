#pragma once
// The field-reading rule shared by the password file and the lock-text files:
// after the leading blanks, a field that begins with a double quote runs to
// the next double quote; any other field runs to the first comma or line end.

#include <QByteArray>
#include <optional>

namespace formats {

enum class SkipLineBreaks { No, Yes };

// The first field of the bytes, or nothing when they hold no field at all.
// With SkipLineBreaks::Yes, line breaks before the field are skipped too and a
// quoted field may span lines.
std::optional<QByteArray> ReadFirstField(const QByteArray &bytes, SkipLineBreaks skip);

// One quoted line: '"' text '"' CR LF.
QByteArray QuotedLine(const QByteArray &text);

} // namespace formats
