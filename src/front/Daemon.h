#pragma once
// `gardlock --daemonize SWITCH`, for idle and sleep lockers that wait for
// the locker to return (swayidle -w): the caller gets its answer as soon as
// the lock holds the display, and the lock goes on in the background.

namespace front {

class Daemon {
public:
    // Forks. The caller's process waits for the lock to hold the display
    // (or to end first) and exits: 0 once it holds, else the status the lock
    // ended with (a refusal's 3, an already locked session's 0). Returns
    // only in the lock's process, which has a session of its own. False
    // when no process could be made (nothing forked: lock in the foreground).
    bool Detach();
    // In the lock's process, once the display is held: the caller is let
    // go, and so are its standard streams (the lock's are /dev/null from
    // then on), so that neither a caller reading them to the end nor one
    // ending its process group holds or ends the lock. Once; nothing
    // without Detach().
    void Release();

private:
    int m_lockedFd = -1;
};

} // namespace front
