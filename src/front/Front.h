#pragma once
// The front: the `gardlock` executable. It links no Qt, so it starts in a
// few milliseconds: it answers --help and --version, refuses when there is no
// display, takes the keyboard and pointer and covers the screen before a
// lock's program starts, and supervises the program (gardlock-ui) it runs.

#include "core/CommandLine.h"
#include "core/ExitStatus.h"

#include <string>

namespace platform {
class LockCover;
}

namespace front {

// What --help prints.
std::string UsageText();

// The sleep-lock descriptor ($XSS_SLEEP_LOCK_FD), taken out of the
// environment; -1 when there is none or it is not an open descriptor.
int TakeSleepLockFd();

// The whole front: returns the status the process ends with.
int Main(int argc, char **argv, platform::LockCover &cover);

} // namespace front
