#pragma once
// The supervisor's cover on X11: its own connection (no Qt), one black
// override-redirect window larger than any root window, and keyboard and
// pointer grabs on the root window, which no other client can make it lose.

#include "platform/LockCover.h"

#include <memory>

namespace platform::x11 {

std::unique_ptr<LockCover> CreateRootCover();

} // namespace platform::x11
