#pragma once
// Which display system a lock is for, from what the front found (see
// core/DisplayFacts.h). Chosen once, before anything is grabbed or shown.

#include "core/DisplayFacts.h"

namespace front {

enum class DisplaySystem {
    X11,     // the X display, as named by $DISPLAY (refused there if missing or unreachable)
    Wayland, // the compositor on $WAYLAND_DISPLAY
};

// Wayland when a compositor answers on $WAYLAND_DISPLAY and either no X
// display is named or that display is the compositor's own Xwayland (a
// grab there would leave every Wayland program the keys). A plain X server
// stays X11 even with a compositor nested in it, which is one of its
// clients. An X display that cannot be reached cannot be told to be
// Xwayland, so it stays X11 and is refused there as unreachable.
DisplaySystem ChooseDisplaySystem(const DisplayFacts &facts);

} // namespace front
