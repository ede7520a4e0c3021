#include "front/WaylandSupervisor.h"

#include "core/LockDisplayProtocol.h"
#include "front/EventTimes.h"
#include "front/LockWrongPasswords.h"
#include "front/ProgramProcess.h"
#include "front/SupervisorPolicy.h"
#include "platform/wayland/plain/SharedPixels.h"
#include "platform/wayland/plain/WaylandSessionLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace supervision {

namespace {

namespace display = protocol::display;
using platform::wayland::WaylandSessionLock;
using protocol::Kind;
using protocol::Message;
using protocol::MonotonicNanoseconds;

constexpr std::int64_t kOneMs = 1000000;
// How long a send to the program may wait for room: it reads all the time
// it runs, so only a hung program fills its sockets.
constexpr std::int64_t kProgramSendWithinNs = 200 * kOneMs;
// Keys typed while no lock window is up wait here, up to this many; past
// that someone is typing into nothing, and the oldest go.
constexpr std::size_t kMostWaitingKeys = 512;
// How long a lock may leave a ping unanswered while it is sent input: as
// long as it may take to come up, after which it counts as hung.
constexpr std::int64_t kAnswerWithinNs = std::int64_t(RelaunchPlan::kShowWithinMs) * kOneMs;

class WaylandSupervisor {
public:
    WaylandSupervisor(const Launch &launch, WaylandSessionLock &session, int signalFd, const sigset_t &childMask)
        : m_launch(launch), m_session(session), m_signalFd(signalFd), m_childMask(childMask),
          m_state(FirstState(launch.coverFirst))
    {
    }

    bool Start()
    {
        if (m_state.phase != Phase::None)
            m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kOneMs;
        m_relaunched = m_launch.resumed;
        if (StartChild(m_launch.args, m_relaunched ? protocol::kRelaunched : nullptr))
            return true;
        std::fprintf(stderr, "gardlock: cannot start %s: %s; trying again.\n", m_launch.program.c_str(),
                     std::strerror(errno));
        m_relaunched = true;
        m_relaunchAt = MonotonicNanoseconds() + 100 * kOneMs;
        return true;
    }

    int Run()
    {
        while (!m_status) {
            m_session.BeforePoll();
            HandleSessionEvents();
            if (m_status)
                break;
            pollfd watched[5] = {{m_signalFd, POLLIN, 0},
                                 {m_session.ConnectionFd(), POLLIN, 0},
                                 {m_session.RepeatFd(), POLLIN, 0},
                                 {m_fd, POLLIN, 0},
                                 {m_displayFd, POLLIN, 0}};
            timespec wait{};
            const std::int64_t left = Timeout();
            if (left >= 0)
                wait = {time_t(left / 1000000000), long(left % 1000000000)};
            if (::ppoll(watched, 5, left >= 0 ? &wait : nullptr, nullptr) < 0 && errno != EINTR) {
                m_session.AfterPoll(0, 0);
                return exit_status::kFailed;
            }
            m_session.AfterPoll(watched[1].revents, watched[2].revents);
            HandleSessionEvents();
            if (m_fd >= 0 && watched[3].revents)
                ReadReports();
            if (m_displayFd >= 0 && watched[4].revents)
                ReadDisplay();
            if (watched[0].revents)
                ReadSignals();
            RunDueSteps();
        }
        return *m_status;
    }

private:
    std::int64_t Timeout() const
    {
        std::int64_t next = -1;
        for (std::int64_t at : {m_relaunchAt, m_loadDeadline, m_pingDeadline})
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
        if (m_relaunchAt >= 0 && now >= m_relaunchAt)
            Relaunch();
        if (m_pingDeadline >= 0 && now >= m_pingDeadline) {
            m_pingDeadline = -1;
            if (m_pid > 0) {
                std::fprintf(stderr, "gardlock: the lock does not answer within %d s; it starts again without "
                                     "pictures.\n",
                             RelaunchPlan::kShowWithinMs / 1000);
                m_hung = true;
                ::kill(m_pid, SIGKILL);
            }
        }
        if (m_loadDeadline >= 0 && now >= m_loadDeadline) {
            m_loadDeadline = -1;
            if (m_state.phase == Phase::Starting && m_pid > 0) {
                SayLockDidNotComeUp();
                ::kill(m_pid, SIGKILL); // reaped as a crash at load
            }
        }
    }

    // --- the compositor ------------------------------------------------------

    void HandleSessionEvents()
    {
        WaylandSessionLock::Events events = m_session.TakeEvents();
        if (events.lost || events.finished) {
            // Either way the session is no longer ours to hold: the lock's
            // program goes (its restart entry stays: the lock did not end by
            // its password), and nothing is started again.
            std::fprintf(stderr, events.lost
                                     ? "gardlock: the Wayland display is gone; the lock is not started again.\n"
                                     : "gardlock: the compositor ended the session lock by its own rule; the "
                                       "lock is not started again.\n");
            if (m_pid > 0)
                ::kill(m_pid, SIGKILL);
            m_status = exit_status::kDisplayGone;
            return;
        }
        if (events.primaryBuffer)
            SendSurface();
        for (std::uint32_t buffer : events.presented) {
            if (buffer != m_session.PrimaryBuffer())
                continue;
            if (m_framesCommitted > 0 && m_framesShown++ == 0)
                NoteTime("first-frame-shown");
            // The program learns of a frame shown from the buffer's count,
            // at no wake-up; only one that waits for it is told.
            if (m_programWaits && m_session.PrimaryFramesShown()) {
                m_programWaits = false;
                SendToProgram({display::Kind::Done, buffer});
            }
        }
        for (display::Message &input : events.input)
            PassInput(std::move(input));
        // After the keys read in the layout before it.
        if (events.layout)
            SendToProgram(*events.layout);
    }

    void PassInput(display::Message input)
    {
        if (m_lockShown) {
            SendToProgram(input);
            AskForAnswer();
            return;
        }
        // Until a lock window is up only keys are kept: a pointer's place
        // and clicks mean nothing to a window that is not there yet.
        if (input.kind != display::Kind::Key)
            return;
        if (m_waitingKeys.size() == kMostWaitingKeys)
            m_waitingKeys.pop_front();
        m_waitingKeys.push_back(std::move(input));
    }

    // Input went to the lock: its event loop has to take it. One ping at a time.
    void AskForAnswer()
    {
        if (m_pingDeadline >= 0 || m_displayFd < 0)
            return;
        display::Message ping{display::Kind::Ping};
        ping.code = ++m_pings;
        m_pingDeadline = MonotonicNanoseconds() + kAnswerWithinNs;
        SendToProgram(ping);
    }

    // The first output's buffer to the program, which draws into it from now on.
    void SendSurface()
    {
        const platform::wayland::SharedPixels *pixels = m_session.PrimaryPixels();
        if (!pixels || m_displayFd < 0)
            return;
        // The program counts its frames in this buffer from here.
        m_session.RestartFrameCount();
        m_programWaits = false;
        display::Message surface{display::Kind::Surface, m_session.PrimaryBuffer()};
        surface.width = pixels->Width();
        surface.height = pixels->Height();
        surface.stride = pixels->Stride();
        surface.scale = m_session.PrimaryScale();
        if (!SendPacket(m_displayFd, display::Encode(surface), pixels->Fd(), kProgramSendWithinNs))
            ProgramHung();
    }

    void SendToProgram(const display::Message &message)
    {
        if (m_displayFd < 0)
            return;
        if (!SendPacket(m_displayFd, display::Encode(message), -1, kProgramSendWithinNs))
            ProgramHung();
    }

    // A program that reads nothing for that long is no lock: it is replaced.
    void ProgramHung()
    {
        CloseDisplay();
        if (m_pid > 0 && m_state.phase != Phase::None) {
            std::fprintf(stderr, "gardlock: the lock does not read its input; it starts again.\n");
            ::kill(m_pid, SIGKILL);
        }
    }

    void ReadDisplay()
    {
        for (;;) {
            char packet[protocol::kMaxPacket];
            // Descriptors the program might try to pass are refused by the
            // kernel here: no control buffer is given.
            const ssize_t size = ::recv(m_displayFd, packet, sizeof packet, MSG_DONTWAIT);
            if (size == 0) {
                CloseDisplay();
                return;
            }
            if (size < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    CloseDisplay();
                return;
            }
            const std::optional<display::Message> message = display::Parse({packet, size_t(size)});
            if (message && message->kind == display::Kind::Frame && m_pid > 0) {
                if (m_session.ShowFrame(*message) && m_framesCommitted++ == 0)
                    NoteTime("first-frame-committed");
            }
            else if (message && message->kind == display::Kind::Wait && message->buffer == m_session.PrimaryBuffer()) {
                m_programWaits = !m_session.PrimaryFramesShown();
                if (!m_programWaits)
                    SendToProgram({display::Kind::Done, message->buffer});
            }
            else if (message && message->kind == display::Kind::Pong && message->code == m_pings)
                m_pingDeadline = -1;
            else if (message && message->kind == display::Kind::SelectLayout)
                m_session.SelectLayout(message->group);
        }
    }

    void CloseDisplay()
    {
        if (m_displayFd >= 0)
            ::close(m_displayFd);
        m_displayFd = -1;
        m_lockShown = false;
        m_pingDeadline = -1;
    }

    // --- the program's reports -------------------------------------------------

    void ReadReports()
    {
        for (;;) {
            char packet[protocol::kMaxPacket];
            const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
            if (size == 0) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            if (size < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            for (const Message &message : protocol::ParsePacket({packet, size_t(size)})) {
                OnReport(message);
                if (m_fd < 0 || m_status)
                    return;
            }
        }
    }

    void OnReport(const Message &message)
    {
        // A lock brought back after a crash was up: it may not refuse now.
        if (message.kind == Kind::Refused && m_relaunched)
            return;
        const std::optional<protocol::WrongPasswordTally> notice = m_wrongPasswords.OnReport(m_state, message);
        m_state = After(m_state, message);
        switch (message.kind) {
        case Kind::StartingNormal:
        case Kind::StartingNtStyle:
            m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kOneMs;
            return;
        case Kind::Shown:
            m_loadDeadline = -1;
            // Nothing to hand over: the session stays held here. A
            // relaunched lock waits for this before it goes on.
            SendAll(m_fd, {Message{Kind::Go}}, kProgramSendWithinNs);
            m_lockShown = m_displayFd >= 0;
            while (m_lockShown && !m_waitingKeys.empty()) {
                const display::Message key = std::move(m_waitingKeys.front());
                m_waitingKeys.pop_front();
                SendToProgram(key);
            }
            return;
        case Kind::Held:
            m_plan.LockHeld();
            return;
        case Kind::Ended:
            m_loadDeadline = -1;
            m_waitingKeys.clear();
            m_session.Unlock();
            m_unlocked = true;
            // Detached, once the session is given back: nothing waits for it.
            if (notice)
                StartIntruderNotice(m_launch.program, *notice);
            return;
        default:
            return;
        }
    }

    // --- the program's process -------------------------------------------------

    void ReadSignals()
    {
        for (const int signal : TakeSignals(m_signalFd)) {
            if (signal == SIGCHLD)
                Reap();
            else if (m_pid > 0 && PassesSignal(m_state, signal))
                ::kill(m_pid, signal);
        }
    }

    void Reap()
    {
        const std::optional<ChildEnd> ended = ReapChild(m_pid);
        if (!ended)
            return;
        const ChildEnd end = *ended;
        m_pid = -1;
        // What it reported before it died counts: "ended" may be the last word.
        if (m_fd >= 0) {
            ReadReports();
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
        }
        CloseDisplay();
        switch (Judge(m_state, end, false)) {
        case Verdict::PassOn:
            // No lock is up (ended by its password, or it never came up):
            // the session is given back.
            if (!m_unlocked)
                m_session.Unlock();
            if (end.bySignal)
                RaiseAgain(end.value);
            m_status = end.value;
            return;
        case Verdict::DisplayGone:
            m_status = exit_status::kDisplayGone;
            return;
        case Verdict::Relock:
            Relock(end);
            return;
        }
    }

    void Relock(const ChildEnd &end)
    {
        m_relaunched = true;
        // What the dead lock drew goes; the front shows nothing but black.
        m_session.ShowBlack();
        const RelaunchPlan::Step step = m_plan.AfterCrash(m_state.phase);
        // A lock that hung may have hung on a picture, as one that crashed at load.
        m_noPictures = m_noPictures || step.noPictures || m_hung;
        m_hung = false;
        m_loadDeadline = -1;
        m_relaunchAt = MonotonicNanoseconds() + std::int64_t(step.delayMs) * kOneMs;
        m_state.phase = Phase::Starting;
        SayLockStartsAgain(end);
    }

    void Relaunch()
    {
        m_relaunchAt = -1;
        const std::vector<std::string> args = {RelaunchSwitch(m_state.lock)};
        if (!StartChild(args, m_noPictures ? protocol::kNoPictures : protocol::kRelaunched)) {
            m_relaunchAt = MonotonicNanoseconds() + 100 * kOneMs;
            return;
        }
        m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kOneMs;
    }

    bool StartChild(const std::vector<std::string> &args, const char *relaunch)
    {
        int reports[2], pixels[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, reports) != 0)
            return false;
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pixels) != 0) {
            ::close(reports[0]);
            ::close(reports[1]);
            return false;
        }
        std::vector<std::pair<const char *, const char *>> set;
        std::vector<const char *> unset;
        if (relaunch)
            set.emplace_back(protocol::kRelaunchVariable, relaunch);
        else
            unset.push_back(protocol::kRelaunchVariable);
        std::string tally;
        PassTally(m_wrongPasswords.Tally(), set, unset, tally);
        const pid_t pid =
            StartProgram(m_launch.program, args,
                         {{protocol::kSocketVariable, reports[1]}, {display::kSocketVariable, pixels[1]}}, set,
                         unset, m_childMask);
        if (pid < 0) {
            ::close(reports[0]);
            ::close(pixels[0]);
            return false;
        }
        m_pid = pid;
        m_fd = reports[0];
        m_displayFd = pixels[0];
        m_lockShown = false;
        // Its first screen: sent at once, so that it is there when the
        // program asks (or as soon as the compositor has configured it);
        // and the keyboard's layouts, for the notes at its prompt.
        SendSurface();
        if (const std::optional<display::Message> layout = m_session.Layout())
            SendToProgram(*layout);
        return true;
    }

    const Launch &m_launch;
    WaylandSessionLock &m_session;
    int m_signalFd;
    sigset_t m_childMask;
    pid_t m_pid = -1;
    int m_fd = -1;
    int m_displayFd = -1;
    bool m_relaunched = false;
    bool m_noPictures = false;
    bool m_lockShown = false; // the current program's lock window takes the keys now
    bool m_unlocked = false;
    LockState m_state;
    LockWrongPasswords m_wrongPasswords{m_launch.carried};
    RelaunchPlan m_plan;
    std::deque<display::Message> m_waitingKeys;
    std::int64_t m_relaunchAt = -1;
    std::int64_t m_loadDeadline = -1;
    // The program's frames committed and shown since the lock began (for NoteTime).
    std::uint64_t m_framesCommitted = 0;
    std::uint64_t m_framesShown = 0;
    bool m_programWaits = false; // for Done: its last frame was not shown when it looked
    std::uint32_t m_pings = 0;
    std::int64_t m_pingDeadline = -1;
    bool m_hung = false;
    std::optional<int> m_status;
};

} // namespace

int SuperviseWayland(const Launch &launch, WaylandSessionLock &session)
{
    const sigset_t watched = WatchedSet();
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &watched, &previous);
    const int signalFd = ::signalfd(-1, &watched, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::fprintf(stderr, "gardlock: cannot watch the program: %s\n", std::strerror(errno));
        return exit_status::kFailed;
    }
    WaylandSupervisor supervisor(launch, session, signalFd, previous);
    int status = exit_status::kFailed;
    if (supervisor.Start())
        status = supervisor.Run();
    ::close(signalFd);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return status;
}

} // namespace supervision
