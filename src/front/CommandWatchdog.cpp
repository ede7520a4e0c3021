#include "front/CommandWatchdog.h"

#include "core/DetachedSpawn.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace front {

namespace {

// glibc 2.36 declares pidfd_open without C linkage for C++: the system call itself.
int OpenPidfd(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

// Whether the process behind the descriptor ended within the time.
bool EndsWithin(int pidfd, int seconds)
{
    pollfd ended{pidfd, POLLIN, 0};
    int result;
    while ((result = ::poll(&ended, 1, seconds * 1000)) < 0 && errno == EINTR) {
    }
    return result != 0;
}

} // namespace

int WatchIntruderCommand(const std::string &command)
{
    // The command's own session: its process group is its process id, and
    // everything it starts in that group ends with it.
    const pid_t pid = platform::SpawnDetached({"/bin/sh", {"-c", command}, {}, false, -1});
    if (pid < 0)
        return 1;
    const int pidfd = OpenPidfd(pid);
    // Without a pidfd (an old kernel) the command is ended at its time
    // however soon it ended by itself; its group is ours alone until reaped.
    if (pidfd < 0 || !EndsWithin(pidfd, kIntruderCommandSeconds)) {
        if (pidfd < 0)
            ::sleep(kIntruderCommandSeconds);
        ::kill(-pid, SIGTERM);
        if (pidfd < 0 || !EndsWithin(pidfd, kIntruderCommandGraceSeconds))
            ::kill(-pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return 0;
}

} // namespace front
