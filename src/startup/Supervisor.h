#pragma once
// The supervising process. main() calls Supervise first, before Qt: the
// process forks, the child runs the program, and the parent (keeping the
// process id its caller knows) only watches. When the child dies while a
// lock is up, the parent covers the screen in black, grabs the keyboard and
// pointer and starts the lock again; otherwise it ends as the child did.
// It uses no Qt, reads no files and draws nothing but black.

#include <optional>

namespace platform {
class LockCover;
}

namespace supervision {

// In the supervisor: the status the program ends with (a child killed by a
// signal while no lock was up is not returned from: the supervisor raises the
// same signal on itself). In the child, or in a process that already has a
// supervisor (a relaunched lock), or when no supervisor can be set up:
// nothing, and the program runs on.
std::optional<int> Supervise(char **argv, platform::LockCover &cover);

} // namespace supervision
