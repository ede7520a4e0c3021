#pragma once
// The shell lockdown helpers on X11.

#include "platform/Platform.h"

#include <memory>

namespace platform {

std::unique_ptr<ShellLockdown> CreateX11ShellLockdown();

} // namespace platform
