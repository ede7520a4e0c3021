#pragma once
// One running copy per user. The first copy listens on a local socket in the
// user's runtime folder; a later copy finds it there, asks it to bring its
// window with a given title to the front, and ends.
//
// Stands in for the previous-instance flag and for activating a window of
// another process by its title.

#include <QString>

namespace platform {

enum class InstanceState {
    First,           // no earlier copy: this one now answers later ones
    EarlierCopyRuns, // another copy of the program answers on the socket
    Unavailable,     // neither could be found out nor claimed
};

// Checks for an earlier copy and, when there is none, claims the place.
// Calling it again in the same process (and the same runtime folder) gives
// First without a second check.
InstanceState ClaimInstance();

// Asks the earlier copy to activate its visible window with this title.
// False when the request could not be delivered.
bool ActivateEarlierCopy(const QString &title);

// The socket's path: $XDG_RUNTIME_DIR/gardlock-<uid>.instance (the temporary
// folder when there is no runtime folder).
QString InstanceSocketPath();

} // namespace platform
