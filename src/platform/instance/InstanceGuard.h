#pragma once
// One running copy per user. The first copy listens on a local socket in the
// user's runtime folder; a later copy finds it there, asks it to bring its
// window with a given title to the front, and ends.
//
// The folder must be this user's alone, and either side believes only a
// process of this user at the other end: otherwise another user could end
// the program by leaving a file, or a listener, where the socket belongs.
//
// Stands in for the previous-instance flag and for activating a window of
// another process by its title.

#include <QString>

#include <functional>

struct ucred;

namespace platform {

enum class InstanceState {
    First,           // no earlier copy: this one now answers later ones
    EarlierCopyRuns, // another copy of the program answers on the socket
    Unavailable,     // neither could be found out nor claimed (said on stderr)
};

// Checks for an earlier copy and, when there is none, claims the place.
// An unsafe folder, or a socket answered by another user's process, gives
// Unavailable: the caller then runs unguarded rather than trusting it.
// Calling it again in the same process (and the same runtime folder) gives
// First without a second check.
InstanceState ClaimInstance();

// Asks the earlier copy to activate its visible window with this title.
// False when the request could not be delivered.
bool ActivateEarlierCopy(const QString &title);

// Asks the earlier copy to show its Log Viewer, moving there from whatever
// page it shows. False when the request could not be delivered.
bool ShowLogInEarlierCopy();
// What this copy does when a later one asks it to show its Log Viewer.
void OnShowLogRequest(std::function<void()> show);

// The socket's path: $XDG_RUNTIME_DIR/gardlock-<uid>.instance, or, without a
// runtime folder, the same name in a private folder gardlock-<uid> of the
// temporary folder ($TMPDIR or /tmp).
QString InstanceSocketPath();

// Why a folder may not hold the socket, or the empty text when it may: it
// must be a folder itself (not a symbolic link), owned by this user, with no
// rights for group or others.
QString UnsafeFolderReason(const QString &folder);

// Whether the process at the other end of a connected local socket runs as
// this user, as the kernel reports it; and the judgement on those
// credentials alone.
bool PeerIsThisUser(int fd);
bool IsThisUser(const ucred &peer);

} // namespace platform
