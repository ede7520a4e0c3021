#pragma once
// Reading the intruder log "C:\intruder.log" whole, for the log
// tools: the viewer shows it, the print dialog prints it. Nothing is parsed
// or filtered; the bytes are Windows-1252.

#include <QByteArray>
#include <QString>

#include <optional>

namespace log_file {

// A log beyond this size is shown and printed from its last this-many bytes
// (starting at a line), so that the newest records, which are at the bottom,
// are always there; no real log comes near it.
inline constexpr qint64 kMaxLogBytes = 256LL << 20;

// The log's bytes, or nothing when the file cannot be read (no log file, a
// directory, no permission).
std::optional<QByteArray> ReadLogBytes();

// The same, decoded from Windows-1252.
std::optional<QString> ReadLogText();

} // namespace log_file
