#include "front/ProgramProcess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace supervision {

namespace {

constexpr int kWatchedSignals[] = {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE};

// Waits for room in the socket until the deadline; false once it passed.
bool AwaitRoom(int fd, std::int64_t deadline)
{
    const std::int64_t left = deadline - protocol::MonotonicNanoseconds();
    if (left <= 0)
        return false;
    pollfd room{fd, POLLOUT, 0};
    const timespec wait{time_t(left / 1000000000), long(left % 1000000000)};
    return ::ppoll(&room, 1, &wait, nullptr) >= 0 || errno == EINTR;
}

bool Retryable()
{
    return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS;
}

} // namespace

sigset_t WatchedSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kWatchedSignals)
        sigaddset(&set, signal);
    return set;
}

bool SendAll(int fd, const std::vector<protocol::Message> &messages, std::int64_t withinNs)
{
    if (fd < 0)
        return false;
    const std::int64_t deadline = protocol::MonotonicNanoseconds() + withinNs;
    for (const std::string &packet : protocol::EncodeBatch(messages)) {
        while (::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0)
            if (!Retryable() || (errno != EINTR && !AwaitRoom(fd, deadline)))
                return false;
    }
    return true;
}

bool SendPacket(int socket, const std::string &packet, int fd, std::int64_t withinNs)
{
    if (socket < 0)
        return false;
    const std::int64_t deadline = protocol::MonotonicNanoseconds() + withinNs;
    iovec data{const_cast<char *>(packet.data()), packet.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (fd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr *header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof(int));
    }
    while (::sendmsg(socket, &message, MSG_NOSIGNAL | MSG_DONTWAIT) < 0)
        if (!Retryable() || (errno != EINTR && !AwaitRoom(socket, deadline)))
            return false;
    return true;
}

pid_t StartProgram(const std::string &program, const std::vector<std::string> &args,
                   const std::vector<ChildSocket> &sockets, const std::vector<std::pair<const char *, const char *>> &set,
                   const std::vector<const char *> &unset, const sigset_t &childMask)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> numbers;
    for (const ChildSocket &socket : sockets)
        numbers.push_back(std::to_string(socket.fd));
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The program's ends survive exec; nothing else of ours does.
        for (size_t i = 0; i < sockets.size(); ++i) {
            ::fcntl(sockets[i].fd, F_SETFD, 0);
            ::setenv(sockets[i].variable, numbers[i].c_str(), 1);
        }
        for (const auto &[name, value] : set)
            ::setenv(name, value, 1);
        for (const char *name : unset)
            ::unsetenv(name);
        ::sigprocmask(SIG_SETMASK, &childMask, nullptr);
        ::execv(argv[0], argv.data());
        std::fprintf(stderr, "gardlock: cannot run %s: %s\n", argv[0], std::strerror(errno));
        ::_exit(127);
    }
    const int error = errno;
    for (const ChildSocket &socket : sockets)
        ::close(socket.fd);
    errno = error;
    return pid;
}

void RaiseAgain(int signal)
{
    // The child already left its core file; this one would only hide it.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal); // a signal whose default is to be ignored
}

std::vector<int> TakeSignals(int signalFd)
{
    std::vector<int> signals;
    signalfd_siginfo info{};
    while (::read(signalFd, &info, sizeof info) == sizeof info)
        signals.push_back(int(info.ssi_signo));
    return signals;
}

std::optional<ChildEnd> ReapChild(pid_t child)
{
    int raw = 0;
    if (child <= 0 || ::waitpid(child, &raw, WNOHANG) != child)
        return std::nullopt;
    return ChildEnd{WIFSIGNALED(raw), WIFSIGNALED(raw) ? WTERMSIG(raw) : WEXITSTATUS(raw)};
}

void SayLockStartsAgain(const ChildEnd &end)
{
    if (end.bySignal)
        std::fprintf(stderr, "gardlock: the lock process died of signal %d; the lock starts again.\n", end.value);
    else
        std::fprintf(stderr, "gardlock: the lock process ended with status %d; the lock starts again.\n", end.value);
}

void SayLockDidNotComeUp()
{
    std::fprintf(stderr, "gardlock: the lock did not come up within %d s; it starts again without pictures.\n",
                 RelaunchPlan::kShowWithinMs / 1000);
}

} // namespace supervision
