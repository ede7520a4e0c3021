#pragma once
// Local sockets for the probes, bounded in time: a server that hangs (its
// listen queue full) never holds the front.

#include <chrono>
#include <string>

namespace platform::wayland {

using ProbeClock = std::chrono::steady_clock;

// Milliseconds to the deadline, 0 once it has passed.
int MsLeft(ProbeClock::time_point deadline);

// A connected, blocking, close-on-exec stream socket to `path` (in the
// abstract namespace when `abstractName`), or -1 when nothing accepts it by
// the deadline.
int ConnectLocal(const std::string &path, bool abstractName, ProbeClock::time_point deadline);

// The process at the other end of a local socket (its peer credentials);
// 0 when the kernel cannot tell.
long PeerPid(int fd);

} // namespace platform::wayland
