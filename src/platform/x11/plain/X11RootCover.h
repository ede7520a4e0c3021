#pragma once
// The supervisor's cover on X11: its own connection (no Qt), one black
// override-redirect window larger than any root window, and keyboard and
// pointer grabs on the root window, which no other client can make it lose.

#include "platform/x11/plain/LockCover.h"

#include <memory>
#include <string>

namespace platform::x11 {

std::unique_ptr<LockCover> CreateRootCover();

// Whether $DISPLAY names a server that accepts a connection (one short one).
bool DisplayReachable();

// The selection that marks a screen as locked: "_GARDLOCK_LOCK_S<screen>".
std::string LockMarkName(int screen);

} // namespace platform::x11
