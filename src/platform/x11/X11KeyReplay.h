#pragma once
// Keys the supervisor's grab caught before the lock took it over are typed
// again into the lock: sent as key events to the program's focused window on
// Qt's own connection, so the lock reads them as if they had just come.

#include "core/SupervisionProtocol.h"

#include <cstdint>
#include <vector>

namespace platform::x11 {

// Sends them at once to the window that takes keys now (see Target()).
void ReplayKeys(const std::vector<protocol::CaughtKey> &keys);

// The X window that takes the program's keys now (0 when none is shown),
// once the server has mapped it: the supervisor hands the keyboard to it.
std::uint32_t KeyWindow();

} // namespace platform::x11
