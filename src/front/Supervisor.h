#pragma once
// The supervising process: the front (gardlock) starts the program
// (gardlock-ui) as its child and only watches. For a lock it first takes the
// keyboard and pointer and covers the screen in black, so that nothing slow
// runs before the display is held, and hands the grabs to the lock once its
// window is shown. When the child dies while a lock is up, it covers and
// grabs again and starts the lock anew; otherwise it ends as the child did.
// It uses no Qt, reads no files and draws nothing but black.

#include "core/SupervisionProtocol.h"
#include "core/WrongPasswordTally.h"
#include "core/Switches.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class LockCover;
}

namespace supervision {

struct Launch {
    std::string program;           // the program's executable
    std::vector<std::string> args; // the arguments after its path
    // A lock's switch: cover and grab before the program starts, and bring
    // that lock back whenever the program dies before the right password.
    std::optional<LockKind> coverFirst;
    int sleepLockFd = -1; // closed once keyboard and pointer are held and the screen covered
    // The lock was up under a front that died: it comes back as after a crash.
    bool resumed = false;
    // The wrong passwords typed at that lock so far.
    protocol::WrongPasswordTally carried{};
    // Called each time the display is held for the lock (the first call
    // counts: a daemonized lock lets its caller go then).
    std::function<void()> locked;
};

// Runs the program under supervision and returns the status to end with (a
// child killed by a signal while no lock was up is not returned from: the
// supervisor raises the same signal on itself).
int Supervise(const Launch &launch, platform::LockCover &cover);

} // namespace supervision
