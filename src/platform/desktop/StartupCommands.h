#pragma once
// The program's start-up commands: the executable's name, a blank and a
// switch. Each names one start-up entry (see RegStuff.h).

#include <QString>

namespace startup_commands {

// Placed by every lock started by hand, removed by its right password: the
// interrupted lock comes back at the next start.
inline const QString kNormalLock = QStringLiteral("Gardlock.exe /d");
inline const QString kNtStyleLock = QStringLiteral("Gardlock.exe /n");
// Armed on Protection Modes: the lock comes up at every start.
inline const QString kNormalStartupLock = QStringLiteral("Gardlock.exe /t");
inline const QString kNtStartupLock = QStringLiteral("Gardlock.exe /w");
// Options' tray auto-load: the tray icon comes up at every start.
inline const QString kTrayIcon = QStringLiteral("Gardlock.exe /i");

} // namespace startup_commands
