#pragma once
// Keys the supervisor's grab caught before the lock took it over are typed
// again into the lock: each is read as Qt reads a real key (X11KeyTranslation.h)
// and handed to Qt's window system interface, as the xcb platform hands a
// real one, so the lock reads them as if they had just come from the
// keyboard. They never travel as X events: the lock drops key events other
// clients send (X11SyntheticInput.h).

#include "core/SupervisionProtocol.h"

#include <cstdint>
#include <vector>

namespace platform::x11 {

// Delivers them to the window that takes keys now (see Target()), in order;
// they are in the lock when it returns.
void ReplayKeys(const std::vector<protocol::CaughtKey> &keys);

// The X window that takes the program's keys now (0 when none is shown),
// once the server has mapped it: the supervisor hands the keyboard to it.
std::uint32_t KeyWindow();

} // namespace platform::x11
