#pragma once
// Where the fixed Windows paths of the original design live on this system.
//
//   "C:\intruder.log"  -> $XDG_DATA_HOME/gardlock/drive_c/intruder.log
//   "C:\Windows"       -> $XDG_DATA_HOME/gardlock/drive_c/Windows
//   "C:\Windows\Desktop" -> the user's desktop folder
//   "A:\"              -> $XDG_DATA_HOME/gardlock/dosdevices/a:  (a symlink)
//   "/home/u/pic.bmp"  -> used as it stands
//
// The drive letter is case-insensitive; file names are kept exactly.

#include <QString>

namespace platform {

// The folder that stands for drive C, created on first use.
QString DriveCFolder();

// Resolves a Windows-style or POSIX path to a POSIX path. For drive C the
// folder is created if missing. Other drive letters resolve through their
// dosdevices link; the result is empty when that drive is "not ready".
QString ResolvePath(const QString &path);

} // namespace platform
