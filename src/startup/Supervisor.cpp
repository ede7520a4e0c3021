#include "startup/Supervisor.h"

#include "platform/LockCover.h"
#include "startup/SupervisorPolicy.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace supervision {

namespace {

using platform::LockCover;
using platform::supervision::Kind;
using platform::supervision::Message;
using platform::supervision::MonotonicNanoseconds;

constexpr int kWatchedSignals[] = {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE};
constexpr std::int64_t kMs = 1000000;
// How often the grabs are tried while another client (or the dying lock)
// still holds them: right after a death the server frees the dead lock's
// grab any moment, so the first tries come close together.
constexpr std::int64_t kGrabRetryNs = 1 * kMs;
constexpr std::int64_t kEarlyGrabRetryNs = kMs / 4;
constexpr std::int64_t kEarlyNs = 100 * kMs;
// How long a relaunch waits for the keyboard to be held here first.
constexpr std::int64_t kKeyboardFirstNs = 1000 * kMs;
// How long after a lock said it holds the grab, but did not, it is offered again.
constexpr std::int64_t kHandOverRetryNs = 20 * kMs;

sigset_t WatchedSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kWatchedSignals)
        sigaddset(&set, signal);
    return set;
}

void SendTo(int fd, const Message &message)
{
    const std::string packet = platform::supervision::Encode(message);
    (void)!::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

[[noreturn]] void RaiseAgain(int signal)
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

class Supervisor {
public:
    Supervisor(char *argv0, LockCover &cover, int signalFd, const sigset_t &childMask, pid_t pid, int fd)
        : m_argv0(argv0), m_cover(cover), m_signalFd(signalFd), m_childMask(childMask), m_pid(pid), m_fd(fd)
    {
    }

    int Run()
    {
        while (!m_status) {
            pollfd watched[2] = {{m_signalFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
            timespec wait{};
            const std::int64_t left = Timeout();
            if (left >= 0)
                wait = {time_t(left / 1000000000), long(left % 1000000000)};
            const int count = ::ppoll(watched, m_fd >= 0 ? 2 : 1, left >= 0 ? &wait : nullptr, nullptr);
            if (count < 0 && errno != EINTR)
                return 1;
            if (m_fd >= 0 && watched[1].revents)
                ReadReports();
            if (watched[0].revents)
                ReadSignals();
            RunDueSteps();
        }
        return *m_status;
    }

private:
    // Nanoseconds until the next timed step (-1: none).
    std::int64_t Timeout() const
    {
        std::int64_t next = -1;
        for (std::int64_t at : {m_grabAt, m_relaunchAt, m_handOverAt})
            if (at >= 0 && (next < 0 || at < next))
                next = at;
        if (next < 0)
            return -1;
        const std::int64_t left = next - MonotonicNanoseconds();
        return left <= 0 ? 0 : left;
    }

    void RunDueSteps()
    {
        const std::int64_t now = MonotonicNanoseconds();
        if (m_grabAt >= 0 && now >= m_grabAt)
            TryGrabs();
        if (m_relaunchAt >= 0 && now >= m_relaunchAt) {
            // The keyboard comes first: starting a process would delay the next tries.
            if (!m_keyboardHeld && now - m_coveredAt < kKeyboardFirstNs)
                m_relaunchAt = m_grabAt >= 0 ? m_grabAt : now + kEarlyGrabRetryNs;
            else
                Relaunch();
        }
        if (m_handOverAt >= 0 && now >= m_handOverAt) {
            m_handOverAt = -1;
            HandOver();
        }
    }

    void ReadReports()
    {
        for (;;) {
            char packet[64];
            const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
            if (size > 0) {
                if (const std::optional<Message> message =
                        platform::supervision::Parse({packet, size_t(size)}))
                    OnReport(*message);
                continue;
            }
            if (size < 0 && errno == EINTR)
                continue;
            if (size == 0) { // the child closed its end: it is ending
                ::close(m_fd);
                m_fd = -1;
                // Its X connection closes at the same moment: cover now, not
                // only once it has been reaped.
                if (m_state.phase != Phase::None)
                    Cover();
            }
            return;
        }
    }

    void OnReport(const Message &message)
    {
        m_state = After(m_state, message);
        switch (message.kind) {
        case Kind::StartingNormal:
        case Kind::StartingNtStyle:
            // Ready before it is needed: a crash then costs no connection set-up.
            m_cover.Prepare();
            return;
        case Kind::Shown:
            HandOver();
            return;
        case Kind::Held:
            OnHeld(message.nanoseconds);
            return;
        case Kind::Ended:
            Uncover();
            m_cover.Close();
            return;
        case Kind::Go:
            return;
        }
    }

    // Lets go of the grabs (the lock cannot take them while they are held
    // here) and tells the lock to take them. Without a cover up the lock
    // took them already.
    void HandOver()
    {
        if (!m_covering)
            return;
        m_grabAt = -1;
        m_cover.ReleaseGrabs();
        m_keyboardHeld = m_pointerHeld = false;
        m_releasedAt = MonotonicNanoseconds();
        if (m_fd >= 0)
            SendTo(m_fd, {Kind::Go});
    }

    void OnHeld(std::int64_t grabbedAt)
    {
        if (!m_covering)
            return;
        // The keyboard is someone's now; if it is not the lock's, it is ours again at once.
        if (m_cover.GrabKeyboard()) {
            m_keyboardHeld = true;
            m_pointerHeld = m_cover.GrabPointer();
            if (!m_pointerHeld)
                m_grabAt = MonotonicNanoseconds() + kGrabRetryNs;
            m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
            return;
        }
        std::fprintf(
            stderr,
            "gardlock: the lock is back; the keyboard was free for %.3f ms while it was handed over.\n",
            double(grabbedAt - m_releasedAt) / double(kMs));
        Uncover();
        m_plan.LockHeld();
    }

    void Uncover()
    {
        if (!m_covering)
            return;
        m_covering = false;
        m_grabAt = m_handOverAt = -1;
        if (m_keyboardHeld || m_pointerHeld)
            m_cover.ReleaseGrabs();
        m_keyboardHeld = m_pointerHeld = false;
        m_cover.Hide();
    }

    void ReadSignals()
    {
        signalfd_siginfo info{};
        while (::read(m_signalFd, &info, sizeof info) == sizeof info) {
            const int signal = int(info.ssi_signo);
            if (signal == SIGCHLD)
                Reap();
            else if (m_pid > 0 && PassesSignal(m_state, signal))
                ::kill(m_pid, signal);
        }
    }

    void Reap()
    {
        int raw = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &raw, WNOHANG) != m_pid)
            return;
        m_pid = -1;
        // What it reported before it died counts: "ended" may be the last word.
        if (m_fd >= 0) {
            ReadReports();
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
        }
        const ChildEnd end{WIFSIGNALED(raw), WIFSIGNALED(raw) ? WTERMSIG(raw) : WEXITSTATUS(raw)};
        const bool displayGone = m_state.phase != Phase::None && m_cover.DisplayGone();
        switch (Judge(m_state, end, displayGone)) {
        case Verdict::PassOn:
            m_cover.Close();
            if (end.bySignal)
                RaiseAgain(end.value);
            m_status = end.value;
            return;
        case Verdict::DisplayGone:
            std::fprintf(stderr, "gardlock: the X display is gone; the lock is not started again.\n");
            m_status = kDisplayGoneStatus;
            return;
        case Verdict::Relock:
            Relock(end);
            return;
        }
    }

    // Shows the cover and takes the grabs (again, when a lock died in a
    // hand-over after they were let go here).
    void Cover()
    {
        m_handOverAt = -1;
        const bool first = !m_covering;
        if (first) {
            m_covering = true;
            m_coveredAt = MonotonicNanoseconds();
        }
        // The keyboard first: the server has to draw the cover too.
        if (!m_keyboardHeld || !m_pointerHeld)
            TryGrabs();
        if (first)
            m_cover.Show();
    }

    void Relock(const ChildEnd &end)
    {
        Cover();
        const RelaunchPlan::Step step = m_plan.AfterCrash(m_state.phase);
        m_noPictures = step.noPictures;
        m_relaunchAt = MonotonicNanoseconds() + std::int64_t(step.delayMs) * kMs;
        // Until the new lock reports, it is loading.
        m_state.phase = Phase::Starting;
        if (end.bySignal)
            std::fprintf(stderr, "gardlock: the lock process died of signal %d; the lock starts again.\n",
                         end.value);
        else
            std::fprintf(stderr, "gardlock: the lock process ended with status %d; the lock starts again.\n",
                         end.value);
    }

    void TryGrabs()
    {
        m_grabAt = -1;
        if (!m_keyboardHeld)
            m_keyboardHeld = m_cover.GrabKeyboard();
        if (!m_pointerHeld)
            m_pointerHeld = m_cover.GrabPointer();
        if (!m_keyboardHeld || !m_pointerHeld) {
            const std::int64_t now = MonotonicNanoseconds();
            m_grabAt = now + (now - m_coveredAt < kEarlyNs ? kEarlyGrabRetryNs : kGrabRetryNs);
        }
    }

    void Relaunch()
    {
        m_relaunchAt = -1;
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            m_relaunchAt = MonotonicNanoseconds() + 100 * kMs;
            return;
        }
        const char *sw = RelaunchSwitch(m_state.lock);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The lock's end of the pair survives exec; nothing else of ours does.
            ::fcntl(pair[1], F_SETFD, 0);
            ::setenv(platform::supervision::kSocketVariable, std::to_string(pair[1]).c_str(), 1);
            ::setenv(platform::supervision::kRelaunchVariable,
                     m_noPictures ? platform::supervision::kNoPictures : platform::supervision::kRelaunched,
                     1);
            ::sigprocmask(SIG_SETMASK, &m_childMask, nullptr);
            char *const args[] = {m_argv0, const_cast<char *>(sw), nullptr};
            ::execv("/proc/self/exe", args);
            ::_exit(127);
        }
        ::close(pair[1]);
        if (pid < 0) {
            ::close(pair[0]);
            m_relaunchAt = MonotonicNanoseconds() + 100 * kMs;
            return;
        }
        m_pid = pid;
        m_fd = pair[0];
    }

    char *m_argv0;
    LockCover &m_cover;
    int m_signalFd;
    sigset_t m_childMask;
    pid_t m_pid;
    int m_fd;

    LockState m_state;
    RelaunchPlan m_plan;
    bool m_noPictures = false;
    bool m_covering = false;
    bool m_keyboardHeld = false;
    bool m_pointerHeld = false;
    std::int64_t m_grabAt = -1;
    std::int64_t m_relaunchAt = -1;
    std::int64_t m_handOverAt = -1;
    std::int64_t m_releasedAt = 0;
    std::int64_t m_coveredAt = 0;
    std::optional<int> m_status;
};

} // namespace

std::optional<int> Supervise(char **argv, LockCover &cover)
{
    if (std::getenv(platform::supervision::kSocketVariable))
        return std::nullopt; // a relaunched lock: its supervisor is already there
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return std::nullopt;
    // Blocked before the fork, so that no SIGCHLD can be missed; the child
    // gets its mask back.
    const sigset_t watched = WatchedSet();
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &watched, &previous);
    const int signalFd = ::signalfd(-1, &watched, SFD_CLOEXEC | SFD_NONBLOCK);
    const pid_t pid = signalFd >= 0 ? ::fork() : -1;
    if (pid <= 0) {
        // The child, or no supervisor could be set up: the program runs as it is.
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        if (signalFd >= 0)
            ::close(signalFd);
        ::close(pair[0]);
        if (pid == 0)
            ::setenv(platform::supervision::kSocketVariable, std::to_string(pair[1]).c_str(), 1);
        else
            ::close(pair[1]);
        return std::nullopt;
    }
    ::close(pair[1]);
    Supervisor supervisor(argv[0], cover, signalFd, previous, pid, pair[0]);
    return supervisor.Run();
}

} // namespace supervision
