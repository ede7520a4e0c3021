#pragma once
// Crash-safe file primitives for the program's small data files (password,
// intruder log, lock texts, news copy).

#include <QByteArray>
#include <QString>

namespace platform {

enum class ReadStatus {
    Ok,
    Missing,    // no directory entry at the path (a dangling symlink is not missing)
    Unreadable, // exists but cannot be read: permissions, a directory, an I/O error
};

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// Reads at most maxBytes from the start of the file.
ReadResult ReadFileHead(const QString &path, qint64 maxBytes);

// Replaces the file's whole content atomically: a temporary file in the same
// folder is written, flushed to disk and renamed over the target, so a crash
// or a full disk leaves either the old or the new content, never a mix.
// The file gets the given permission bits. False when nothing was replaced.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, unsigned mode = 0600);

// Appends bytes in one write under an exclusive lock, creating the file
// (mode 0600) if needed. Concurrent appenders never interleave. If the write
// cannot complete, the file is cut back to its earlier length and false is
// returned: an existing file is never emptied or replaced.
bool AppendWhole(const QString &path, const QByteArray &bytes);

} // namespace platform
