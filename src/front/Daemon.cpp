#include "front/Daemon.h"

#include "core/ExitStatus.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace front {

namespace {

// The status the caller ends with: 0 once the lock says it holds the
// display, else the one it ended with.
[[noreturn]] void AwaitLock(pid_t lock, int lockedFd)
{
    char byte = 0;
    ssize_t got = 0;
    while ((got = ::read(lockedFd, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (got == 1)
        ::_exit(exit_status::kOk);
    int raw = 0;
    while (::waitpid(lock, &raw, 0) < 0 && errno == EINTR) {
    }
    ::_exit(WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw));
}

} // namespace

bool Daemon::Detach()
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return false;
    const pid_t lock = ::fork();
    if (lock < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return false;
    }
    if (lock > 0) {
        ::close(pipe[1]);
        AwaitLock(lock, pipe[0]);
    }
    ::close(pipe[0]);
    ::setsid();
    m_lockedFd = pipe[1];
    return true;
}

void Daemon::Release()
{
    if (m_lockedFd < 0)
        return;
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream)
            ::dup2(null, stream);
        ::close(null);
    }
    // Said after the streams went: the caller's answer is the last of it.
    (void)!::write(m_lockedFd, "1", 1);
    ::close(m_lockedFd);
    m_lockedFd = -1;
}

} // namespace front
