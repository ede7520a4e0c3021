#pragma once
// A lock started from a screen where this process cannot be the lock: on
// Qt's Wayland platform a window cannot become the compositor's lock surface,
// and a Qt process keeps its platform for life. The front beside this
// program then runs the lock as a lock of its own (the session lock and a
// program of its own); this process waits for it.

#include "core/Switches.h"

#include <QString>

#include <functional>

namespace platform {

// Whether locks started here run through a new front (this process is on
// Qt's Wayland platform).
bool LocksRunThroughFront();

// Starts the front with the plain lock switch of that kind. `ended` is
// called once when it has ended: its exit status, and its "cannot lock"
// reason when it gave one (the line's text after "gardlock: cannot lock: ").
void StartFrontLock(LockKind lock, std::function<void(int status, const QString &reason)> ended);

} // namespace platform
