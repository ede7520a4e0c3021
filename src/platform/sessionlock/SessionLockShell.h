#pragma once
// The shell lockdown of a lock the front holds on a Wayland session: the
// session lock already hides the desktop and holds the input, so there is no
// panel to hide and no grab to take; what is left is the stacking of the
// program's own windows on its one screen.

#include "platform/Platform.h"

#include <memory>

namespace platform::sessionlock {

std::unique_ptr<ShellLockdown> CreateSessionLockShell();

} // namespace platform::sessionlock
