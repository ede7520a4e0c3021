#pragma once
// What both supervisors (X11's and Wayland's) do with the program's process
// and its sockets: the signals they watch, bounded sends, starting it with
// its ends of the socket pairs, and ending as it ended.

#include "core/SupervisionProtocol.h"
#include "front/SupervisorPolicy.h"

#include <csignal>
#include <optional>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace supervision {

// SIGCHLD and the stop requests, blocked and read from a signalfd.
sigset_t WatchedSet();

// Sends the messages in as few packets as they fit, waiting at most
// `withinNs` for room; false when any of them could not be delivered.
bool SendAll(int fd, const std::vector<protocol::Message> &messages, std::int64_t withinNs);

// One packet, with a descriptor passed along when fd >= 0 (SCM_RIGHTS),
// waiting at most `withinNs` for room; false when it could not be delivered.
bool SendPacket(int socket, const std::string &packet, int fd, std::int64_t withinNs);

// Starts `program` with `args`, the signal mask `childMask`, and each
// (variable, socket) of `sockets` open in the child under that variable
// (every other descriptor of ours is close-on-exec); `set` and `unset` as
// further environment changes. The child's ends are closed here. -1 when
// no process could be made.
struct ChildSocket {
    const char *variable;
    int fd;
};
pid_t StartProgram(const std::string &program, const std::vector<std::string> &args,
                   const std::vector<ChildSocket> &sockets, const std::vector<std::pair<const char *, const char *>> &set,
                   const std::vector<const char *> &unset, const sigset_t &childMask);

// Ends this process with the signal that ended the child.
[[noreturn]] void RaiseAgain(int signal);

// The signals the signalfd holds now, in order.
std::vector<int> TakeSignals(int signalFd);

// How the child ended, once it has (reaped here); nothing while it runs.
std::optional<ChildEnd> ReapChild(pid_t child);

// The lines on stderr when a lock comes back: after its process ended,
// and when it did not come up in time.
void SayLockStartsAgain(const ChildEnd &end);
void SayLockDidNotComeUp();

} // namespace supervision
