#pragma once
// Keys the supervisor's grab caught before the lock took it over are typed
// again into the lock: sent as key events to the program's focused window on
// Qt's own connection, so the lock reads them as if they had just come.

#include "platform/LockSupervision.h"

#include <vector>

namespace platform::x11 {

// Sends them once one of the program's windows has the focus (within a
// second; else to its top visible window).
void ReplayKeys(const std::vector<supervision::CaughtKey> &keys);

} // namespace platform::x11
