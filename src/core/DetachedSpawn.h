#pragma once
// Starting a program that must outlive, and never disturb, the process that
// starts it (the intruder command, its watchdog, the notice after a lock):
// posix_spawn with a session of its own, every signal at its default and
// none blocked (a lock ignores and blocks several, which would pass through
// exec), every descriptor but 0 to 2 closed (a lock's sockets and shared
// buffers among them) and the standard streams on /dev/null. Plain POSIX, no
// Qt: both processes use it.

#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace platform {

struct DetachedStart {
    std::string program;           // an absolute path; nothing is looked up
    std::vector<std::string> args; // after argv[0], which is `program`
    // Variables set (or replaced) in a copy of this process's environment.
    std::vector<std::pair<std::string, std::string>> set;
    bool keepStderr = false; // standard error stays this process's, for its one line
    int passFd = -1;         // kept open in the program as descriptor 3
};

// The program's process id, or -1 with errno set when it could not be
// started. The caller reaps it (or leaves that to whoever inherits it).
pid_t SpawnDetached(const DetachedStart &start);

} // namespace platform
