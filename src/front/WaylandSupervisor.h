#pragma once
// A lock on a Wayland session: the front holds the session lock for the
// whole lock and the program only draws. The program is started with a
// second socket pair, the display channel: the first output's buffer goes to
// it, what it drew comes back and is committed here, the keys and the
// pointer the compositor gives the lock surfaces go to it. Keys typed while
// no lock window is up (before the first, during a relaunch) wait here and
// follow in order. When the program dies before the right password the
// lock surfaces stay (black) and the lock starts again, as on X11; only its
// "ended" makes this process unlock the session.

#include "front/Supervisor.h"

#include <string>

namespace platform::wayland {
class WaylandSessionLock;
}

namespace supervision {

// Runs the lock's program under supervision over a session the caller has
// locked; returns the status to end with (raising the child's signal
// instead when it was killed with no lock up).
int SuperviseWayland(const Launch &launch, platform::wayland::WaylandSessionLock &session);

} // namespace supervision
