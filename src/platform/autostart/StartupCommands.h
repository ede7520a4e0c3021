#pragma once
// The program's start-up commands: the executable's name, a blank and a
// switch from the switch table. Each names one start-up entry (see RegStuff.h).

#include "core/Switches.h"

#include <QString>

namespace startup_commands {

inline QString WithSwitch(const char *sw)
{
    return QStringLiteral("Gardlock.exe ") + QLatin1String(sw);
}

// Placed by every lock started by hand, removed by its right password: the
// interrupted lock comes back at the next start ("Gardlock.exe /d", "/n").
inline QString RestartEntry(LockKind kind)
{
    return WithSwitch(switches::LockSwitch(kind, switches::Start::Plain));
}
// Armed on Protection Modes: the lock comes up at every start ("/t", "/w").
inline QString ArmedLock(LockKind kind)
{
    return WithSwitch(switches::LockSwitch(kind, switches::Start::Armed));
}
// Options' tray auto-load: the tray icon comes up at every start.
inline const QString kTrayIcon = QStringLiteral("Gardlock.exe /i");

} // namespace startup_commands
