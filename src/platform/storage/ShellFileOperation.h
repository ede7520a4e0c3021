#pragma once
// The shell's file operation (SHFileOperationA): copies files, with a
// progress window and a question before replacing, as the shell does.
//
// The record keeps the shell's layout of lists: each list is its paths, each
// ended by a NUL, and the whole list ended by one more. Paths are the
// program's Windows-style paths ("C:\intruder.log", "A:\") or POSIX ones, and
// resolve as every fixed path does (platform/storage/DrivePaths.h).
//
// The stand-in copies each source file into the destination folder under
// its own name. A copy never leaves a half-written file: it is written to a
// temporary file in the destination folder, flushed to disk and renamed over
// the target, so an existing file is replaced whole or not at all.

#include <QString>

#include <cstdint>

class QWidget;

inline constexpr std::uint32_t FO_COPY = 2;
inline constexpr std::uint32_t FOF_SILENT = 0x4;
inline constexpr std::uint32_t FOF_NOCONFIRMATION = 0x10;

struct ShFileOpStruct {
    QWidget *hwnd = nullptr;  // owner of the progress window and questions
    std::uint32_t wFunc = 0;  // FO_COPY is the only operation the stand-in knows
    QString pFrom;            // source paths, NUL-separated, ended by an extra NUL
    QString pTo;              // the destination folder, ended by a NUL
    std::uint32_t fFlags = 0; // FOF_SILENT: no progress window; FOF_NOCONFIRMATION: replace without asking
    bool fAnyOperationsAborted = false; // set when the user stopped the copy
};

// The shell's results: 0 on success.
namespace shellop {
inline constexpr int kOk = 0;
inline constexpr int kSourceMissing = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr int kDestinationMissing = 3; // ERROR_PATH_NOT_FOUND: no such folder, drive not ready
inline constexpr int kWriteFailed = 5;        // ERROR_ACCESS_DENIED: the folder cannot be written
inline constexpr int kSameFile = 0x71;        // DE_SAMEFILE
inline constexpr int kBadOperation = 0x7C;    // DE_INVALIDFILES: an operation or list it does not know
inline constexpr int kCancelled = 1223;       // ERROR_CANCELLED: the user stopped it
} // namespace shellop

// Carries out the operation; 0 when every file was copied.
int SHFileOperation(ShFileOpStruct &op);
