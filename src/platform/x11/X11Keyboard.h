#pragma once
// The keyboard's layout and Caps Lock on X11, read through XKB on a
// connection of its own and followed through the server's XKB events (the
// state's locked modifiers and group, a new keymap, new names) and the root
// window's _XKB_RULES_NAMES: no polling.

#include "platform/KeyboardState.h"

#include <memory>

namespace platform {

// Connects on first use; without a display or XKB it shows nothing.
std::unique_ptr<KeyboardState> CreateX11KeyboardState();

} // namespace platform
