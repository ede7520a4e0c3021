#pragma once
// Whether an X display is the Xwayland of a given compositor: there a grab
// keeps keys only from X programs, so a lock is the compositor's to give.
// Asked of the sockets, not of the X protocol: Debian 12's Xwayland (22.1)
// has no XWAYLAND extension to ask, and its RandR outputs' names are only a
// custom.

#include "platform/wayland/plain/WaylandProbe.h"

#include <string>

namespace platform::wayland {

// True when the X socket `x11Display` ($DISPLAY, ":N", ":N.S" or "unix:N")
// names is the compositor's own (a compositor that starts Xwayland on
// demand listens on it itself) or is served by an Xwayland the compositor
// started. False for a remote or unparsable display, an unknown compositor
// (pid 0), or a socket that does not accept within timeoutMs.
bool IsCompositorsXwayland(const std::string &x11Display, long compositorPid,
                           int timeoutMs = kProbeTimeoutMs);

// The display number of a local X display name, or -1 ("host:N" is not local).
int LocalDisplayNumber(const std::string &x11Display);

} // namespace platform::wayland
