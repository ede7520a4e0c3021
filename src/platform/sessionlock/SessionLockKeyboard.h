#pragma once
// The keyboard's layout and Caps Lock at the prompts of a lock the front
// holds on Wayland: as the front reads the keys, through the compositor's
// keymap (no _XKB_RULES_NAMES there: the short name comes from the layout's
// own name). The next layout is the front's to read keys in from then on.

#include "platform/KeyboardState.h"

#include <memory>

namespace platform::sessionlock {

// Null on any other platform than the session lock's.
std::unique_ptr<KeyboardState> CreateSessionLockKeyboard();

} // namespace platform::sessionlock
