#include "platform/x11/X11LockCapability.h"

#include "platform/x11/plain/X11GrabBreak.h"

#include <QFile>
#include <QGuiApplication>

namespace platform::x11 {

QString CannotLockReason(const LockFacts &f)
{
    if (f.qtPlatform != QLatin1String("xcb"))
        return QStringLiteral("This desktop is not an X11 display (the window system is \"%1\"), so a "
                              "lock could not hold the keyboard.")
            .arg(f.qtPlatform);
    if (f.serverIsXwayland || !f.waylandDisplay.isEmpty() || f.sessionType.toLower() == "wayland")
        return QStringLiteral("This is a Wayland session: its X server cannot keep the keyboard away "
                              "from the rest of the desktop, so a lock here would only look locked.");
    if (f.tracerPid != 0)
        return QStringLiteral("The program is running under a debugger or tracer (process %1), which "
                              "turns off the keyboard grab a lock needs.")
            .arg(f.tracerPid);
    if (f.grabBreakingKeys) {
        QString reason = QString::fromUtf8(GrabBreakingKeysReason());
        reason[0] = reason[0].toUpper();
        return reason;
    }
    return {};
}

long TracerPidFrom(const QByteArray &statusText)
{
    for (const QByteArray &line : statusText.split('\n')) {
        if (line.startsWith("TracerPid:"))
            return line.mid(10).trimmed().toLong();
    }
    return 0;
}

LockFacts ProcessLockFacts()
{
    LockFacts f;
    f.qtPlatform = QGuiApplication::platformName();
    f.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    f.sessionType = qgetenv("XDG_SESSION_TYPE");
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        f.tracerPid = TracerPidFrom(status.readAll());
    return f;
}

} // namespace platform::x11
