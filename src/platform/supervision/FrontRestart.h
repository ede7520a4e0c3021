#pragma once
// A lock whose front died while it was up, on a display where the front
// holds the session (Wayland): the compositor keeps the session locked, but
// shows no lock. A new front started from here takes the session again and
// brings the lock back as after a crash.

#include "core/Switches.h"
#include "core/WrongPasswordTally.h"

namespace platform {

// Starts the front beside this program for a lock of that kind, with the
// wrong passwords typed at it so far; false when it could not be started.
bool StartNewFront(LockKind lock, const protocol::WrongPasswordTally &wrongPasswords);

} // namespace platform
