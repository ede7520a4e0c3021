#pragma once
// Whether a lock can really hold this display. A lock that only looks locked
// is worse than none, so each way the keyboard could slip past is named.

#include <QByteArray>
#include <QString>

namespace platform::x11 {

struct LockFacts {
    QString qtPlatform;            // QGuiApplication::platformName()
    bool serverIsXwayland = false; // the X server has the XWAYLAND extension
    QByteArray waylandDisplay;     // $WAYLAND_DISPLAY
    QByteArray sessionType;        // $XDG_SESSION_TYPE
    long tracerPid = 0;            // TracerPid of /proc/self/status
    bool grabBreakingKeys = false; // the keyboard map binds the server's grab-breaking keys
};

// The empty text when a lock can hold the display, else a sentence for the user.
QString CannotLockReason(const LockFacts &facts);

// The TracerPid field of a /proc/<pid>/status text; 0 when absent.
long TracerPidFrom(const QByteArray &statusText);

// The facts of this process that need no X connection.
LockFacts ProcessLockFacts();

} // namespace platform::x11
