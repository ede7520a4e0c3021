#pragma once
// The mark that one of our locks holds a Wayland session, so that a lock
// asked for meanwhile ends at once, as on X11. It is keyed to the
// compositor's socket (its device and inode), not to the user: a lock in
// another session of the same user still locks. An flock on a file in the
// user's runtime folder, held for as long as the front lives: it goes with
// the front, whatever kills it.

#include <string>

namespace platform::wayland {

class SessionLockMark {
public:
    SessionLockMark() = default;
    SessionLockMark(const SessionLockMark &) = delete;
    SessionLockMark &operator=(const SessionLockMark &) = delete;
    ~SessionLockMark();

    enum class Claim {
        Claimed,   // ours now
        OtherLock, // another of our locks holds this session
        NoPlace,   // nowhere safe to keep it (no runtime folder of the user's): nothing is known
    };
    // display: $WAYLAND_DISPLAY as the compositor was found by it.
    Claim ClaimFor(const std::string &display);

private:
    int m_fd = -1;
};

} // namespace platform::wayland
