#include "front/Supervisor.h"

#include "front/LockWrongPasswords.h"
#include "front/ProgramProcess.h"
#include "front/SupervisorPolicy.h"
#include "platform/x11/plain/LockCover.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
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
using protocol::Kind;
using protocol::Message;
using protocol::MonotonicNanoseconds;

constexpr std::int64_t kMs = 1000000;
// How often the grabs are tried while another client (or the dying lock)
// still holds them: right after a death the server frees the dead lock's
// grab any moment, so the first tries come close together.
constexpr std::int64_t kGrabRetryNs = 2 * kMs;
constexpr std::int64_t kEarlyGrabRetryNs = kMs / 4;
constexpr std::int64_t kEarlyNs = 100 * kMs;
// How long a relaunch waits for the keyboard to be held here first.
constexpr std::int64_t kKeyboardFirstNs = 1000 * kMs;
// How long a first lock waits for the keyboard before its program starts
// anyway (the grabs are tried on afterwards, and the lock tries its own).
constexpr std::int64_t kFirstLockKeyboardNs = 500 * kMs;
// How long after a lock said it holds the grab, but did not, it is offered again.
constexpr std::int64_t kHandOverRetryNs = 20 * kMs;
// How long a lock told to take the grabs has to say it holds both before the
// grabs are taken here again wherever they are free.
constexpr std::int64_t kHeldWithinNs = 50 * kMs;
// How long a send may wait for room in the socket: the lock reads all the
// time it waits for "go", so only a hung lock fills it.
constexpr std::int64_t kSendWithinNs = 200 * kMs;
constexpr std::int64_t kLateSendWithinNs = 20 * kMs;
// How long the keyboard stays frozen in a hand-over for the lock to say it
// typed the keys sent to it; past that the grab is held here again as usual
// and the hand-over offered later.
constexpr std::int64_t kTypedWithinNs = 250 * kMs;
// Rounds of keys typed while the lock types the ones before, in one
// hand-over; past that someone is still typing, and the keyboard stays here
// for a while.
constexpr int kMostTypeRounds = 16;
// Hand-overs in a row that a shown lock answers with nothing (it takes no
// grab, though both were free): it is hung, and is killed to be relaunched.
constexpr int kMostUnansweredHandOvers = 40;

std::vector<Message> KeysToPass(const std::vector<protocol::CaughtKey> &keys)
{
    std::vector<Message> messages;
    messages.reserve(keys.size() + 1);
    for (const protocol::CaughtKey &key : keys) {
        Message message{Kind::Key};
        message.key = key;
        messages.push_back(message);
    }
    return messages;
}

class Supervisor {
public:
    Supervisor(const Launch &launch, LockCover &cover, int signalFd, const sigset_t &childMask)
        : m_launch(launch), m_cover(cover), m_signalFd(signalFd), m_childMask(childMask),
          m_sleepLockFd(launch.sleepLockFd), m_state(FirstState(launch.coverFirst))
    {
    }

    // A lock asked for on the command line: the keyboard, the pointer and
    // the cover before the program starts; the program then shows its lock
    // under the cover and is handed the grabs as a relaunched one is.
    void CoverFirst()
    {
        Cover();
        // Read once the keyboard is held: the grab comes first.
        m_desktopGroup = m_cover.KeyboardGroup();
        while ((!m_keyboardHeld || !m_pointerHeld) && m_grabAt >= 0 &&
               MonotonicNanoseconds() - m_coveredAt < kFirstLockKeyboardNs) {
            const std::int64_t left = m_grabAt - MonotonicNanoseconds();
            if (left > 0) {
                const timespec wait{0, long(left)};
                ::nanosleep(&wait, nullptr);
            }
            TryGrabs();
        }
        CloseSleepLockIfHeld();
    }

    // Starts the program; false when it could not be and no lock is up. A
    // lock that cannot be started now is tried again, as after a crash.
    bool Start()
    {
        const char *handOver = m_launch.coverFirst ? protocol::kCoveredFirst : nullptr;
        if (m_state.phase != Phase::None)
            m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kMs;
        if (StartChild(m_launch.args, handOver))
            return true;
        if (m_state.phase == Phase::None)
            return false;
        std::fprintf(stderr, "gardlock: cannot start %s: %s; trying again.\n", m_launch.program.c_str(),
                     std::strerror(errno));
        m_relaunched = true;
        m_relaunchAt = MonotonicNanoseconds() + 100 * kMs;
        return true;
    }

    int Run()
    {
        while (!m_status) {
            // The signals, the program's socket and the supervisor's own X
            // connection: another client can kill that connection too.
            pollfd watched[3] = {{m_signalFd, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
            nfds_t count = 1;
            int reportsAt = -1, displayAt = -1;
            if (m_fd >= 0) {
                reportsAt = int(count);
                watched[count++].fd = m_fd;
            }
            if (const int xfd = m_cover.ConnectionFd(); xfd >= 0) {
                displayAt = int(count);
                watched[count++].fd = xfd;
            }
            timespec wait{};
            const std::int64_t left = HasUnreadReports() ? 0 : Timeout();
            if (left >= 0)
                wait = {time_t(left / 1000000000), long(left % 1000000000)};
            if (::ppoll(watched, count, left >= 0 ? &wait : nullptr, nullptr) < 0 && errno != EINTR)
                return exit_status::kFailed;
            if (displayAt >= 0 && watched[displayAt].revents)
                ReadDisplay();
            if (((reportsAt >= 0 && watched[reportsAt].revents) || HasUnreadReports()) && m_fd >= 0)
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
        for (std::int64_t at : {m_grabAt, m_relaunchAt, m_handOverAt, m_heldCheckAt, m_loadDeadline})
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
        if (m_heldCheckAt >= 0 && now >= m_heldCheckAt) {
            // The lock has not said it holds both: whatever is free is held
            // here again (and offered to it once more), the cover stays.
            m_heldCheckAt = -1;
            if (m_covering)
                TryGrabs();
        }
        if (m_loadDeadline >= 0 && now >= m_loadDeadline) {
            m_loadDeadline = -1;
            if (m_state.phase == Phase::Starting && m_pid > 0) {
                SayLockDidNotComeUp();
                Cover();
                ::kill(m_pid, SIGKILL); // reaped as a crash at load
            }
        }
    }

    // The supervisor's own connection: a grab of its broken, or the
    // connection itself killed (xkill, a grab-breaking key).
    void ReadDisplay()
    {
        const LockCover::Events events = m_cover.ReadEvents();
        if (events.connectionLost) {
            OnConnectionLost();
            return;
        }
        if (events.grabsLost && m_covering && (m_keyboardHeld || m_pointerHeld)) {
            m_keyboardHeld = m_pointerHeld = false;
            TryGrabs();
        }
    }

    void OnConnectionLost()
    {
        // Cover and grabs went with the connection.
        const bool wasCovering = m_covering;
        m_covering = false;
        m_keyboardHeld = m_pointerHeld = false;
        m_grabAt = m_handOverAt = m_heldCheckAt = -1;
        if (m_cover.DisplayGone()) {
            // Not even a fresh connection: the lock's program goes the same
            // way, and its end says so.
            std::fprintf(stderr, "gardlock: the X display cannot be reached any more.\n");
            return;
        }
        if (m_state.phase == Phase::None)
            return;
        m_cover.ClaimLockMark();
        // Covered again at once unless the lock holds the display itself.
        if (wasCovering || m_state.phase != Phase::Held)
            Cover();
    }

    // Reports read off the socket (by a hand-over waiting for "typed") and
    // not yet handled, or the child's end of it found closed then.
    bool HasUnreadReports() const { return !m_unread.empty() || m_reportsClosed; }

    void ReadReports()
    {
        for (;;) {
            // Those read first are handled first.
            if (!m_unread.empty()) {
                const Message message = m_unread.front();
                m_unread.pop_front();
                OnReport(message);
                if (m_fd < 0)
                    return;
                continue;
            }
            if (m_reportsClosed) {
                OnReportsClosed();
                return;
            }
            if (!ReceiveReports())
                return;
        }
    }

    // One packet's messages onto the unread ones; false when there was none
    // (nothing to read yet, or the socket closed).
    bool ReceiveReports()
    {
        for (;;) {
            char packet[protocol::kMaxPacket];
            const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
            if (size > 0) {
                for (const Message &message : protocol::ParsePacket({packet, size_t(size)}))
                    m_unread.push_back(message);
                return true;
            }
            if (size < 0 && errno == EINTR)
                continue;
            if (size == 0) // the child closed its end: it is ending
                m_reportsClosed = true;
            return false;
        }
    }

    void OnReportsClosed()
    {
        m_reportsClosed = false;
        ::close(m_fd);
        m_fd = -1;
        // Its X connection closes at the same moment: cover now, not
        // only once it has been reaped.
        if (m_state.phase != Phase::None)
            Cover();
    }

    void OnReport(const Message &message)
    {
        // A lock brought back after a crash was up: it may not refuse now.
        if (message.kind == Kind::Refused && m_relaunched)
            return;
        const GroupStep group = KeyboardGroupStep(m_state, message);
        const std::optional<protocol::WrongPasswordTally> notice = m_wrongPasswords.OnReport(m_state, message);
        m_state = After(m_state, message);
        if (group == GroupStep::Save)
            m_desktopGroup = m_cover.KeyboardGroup();
        switch (message.kind) {
        case Kind::StartingNormal:
        case Kind::StartingNtStyle:
            // Ready before it is needed: a crash then costs no connection set-up.
            // The mark tells a second lock asked for meanwhile that this one is up.
            m_cover.Prepare();
            m_cover.ClaimLockMark();
            m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kMs;
            return;
        case Kind::Shown:
            m_loadDeadline = -1;
            m_lockWindow = message.window;
            HandOver();
            return;
        case Kind::Held:
            OnHeld(message.nanoseconds);
            return;
        case Kind::Ended:
            m_loadDeadline = -1;
            // The desktop's own group back (a relaunch is no end).
            if (group == GroupStep::Restore && m_desktopGroup)
                m_cover.SetKeyboardGroup(*m_desktopGroup);
            m_desktopGroup.reset();
            Uncover();
            m_cover.Close();
            // Detached, after the desktop is back: nothing waits for it.
            if (notice)
                StartIntruderNotice(m_launch.program, *notice);
            return;
        case Kind::Refused:
            m_loadDeadline = -1;
            return;
        case Kind::Go:
        case Kind::Key:
        case Kind::Typed: // a late answer
            m_typedRound = std::max(m_typedRound, message.round);
            return;
        case Kind::TypeKeys:
        case Kind::WrongPassword:
            return;
        }
    }

    // Lets go of the grabs (the lock cannot take them while they are held
    // here) and tells the lock to take them. Without a cover up the lock
    // took them already. Nothing is let go of before the lock has every key
    // caught so far, and the grabs are taken back at once when "go" cannot
    // be delivered.
    void HandOver()
    {
        if (!m_covering || m_fd < 0)
            return;
        m_handOverAt = -1;
        if (++m_unansweredHandOvers > kMostUnansweredHandOvers && m_pid > 0) {
            std::fprintf(stderr, "gardlock: the lock takes no grab offered to it; it starts again.\n");
            m_unansweredHandOvers = 0;
            ::kill(m_pid, SIGKILL); // reaped as a crash, the cover and the grabs kept meanwhile
            return;
        }
        // Best: the keyboard frozen and the focus on the lock's window while
        // the lock types the keys caught so far, and let go of only once it
        // has, so that keys the server held back follow them there.
        // Otherwise what was typed while the grab was here goes to the lock,
        // in order, before it takes over, and what came after with "go".
        std::vector<Message> last;
        if (m_lockWindow != 0 && m_cover.FreezeKeyboardAndFocus(m_lockWindow)) {
            if (!TypeCaughtKeys())
                return;
            m_cover.ReleaseGrabsToFocus();
        } else {
            if (!SendAll(m_fd, KeysToPass(m_cover.TakeKeys()), kSendWithinNs)) {
                m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
                return;
            }
            m_cover.ReleaseGrabs();
            last = KeysToPass(m_cover.TakeKeys());
        }
        m_grabAt = -1;
        m_keyboardHeld = m_pointerHeld = false;
        m_releasedAt = MonotonicNanoseconds();
        last.push_back({Kind::Go});
        if (!SendAll(m_fd, last, kLateSendWithinNs)) {
            TryGrabs();
            m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
            return;
        }
        m_heldCheckAt = m_releasedAt + kHeldWithinNs;
    }

    // With the keyboard frozen and the focus on the lock's window: makes the
    // lock type every key caught so far, and leaves the keyboard frozen with
    // none held back, ready to be let go of. Keys the server holds back
    // when it lets go reach the focus only if no other client's passive grab
    // takes them first, so the keys typed meanwhile are caught here and
    // passed on too, round after round, until none came. False, the
    // keyboard held here as usual and the hand-over offered again later,
    // when the lock did not answer in time or someone is still typing;
    // nothing it was sent is sent again.
    bool TypeCaughtKeys()
    {
        for (int round = 1;; ++round) {
            std::vector<Message> keys = KeysToPass(m_cover.TakeKeys());
            if (!keys.empty()) {
                Message type{Kind::TypeKeys};
                type.round = ++m_typeRounds;
                keys.push_back(type);
            }
            // Whatever was sent before (in an earlier hand-over too) is typed first.
            if ((!keys.empty() && !SendAll(m_fd, keys, kSendWithinNs)) || !AwaitTyped()) {
                m_cover.ThawKeyboard();
                m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
                return false;
            }
            if (keys.empty())
                return true;
            // What was typed meanwhile comes here, then the keyboard freezes again.
            m_cover.ThawKeyboard();
            const bool stillTyping = round == kMostTypeRounds;
            if (stillTyping || !m_cover.FreezeKeyboardAndFocus(m_lockWindow)) {
                // The lock answers: a hand-over given up for the typing is no unanswered one.
                if (stillTyping)
                    --m_unansweredHandOvers;
                m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
                return false;
            }
        }
    }

    // Waits a bounded time for the lock to say it typed every key sent with
    // a "type" so far (it answers them in order). What else it says
    // meanwhile is kept, in order, to be handled once the hand-over is done.
    bool AwaitTyped()
    {
        const std::int64_t deadline = MonotonicNanoseconds() + kTypedWithinNs;
        for (;;) {
            for (auto it = m_unread.begin(); it != m_unread.end();) {
                if (it->kind == Kind::Typed) {
                    m_typedRound = std::max(m_typedRound, it->round);
                    it = m_unread.erase(it);
                } else {
                    ++it;
                }
            }
            if (m_typedRound >= m_typeRounds)
                return true;
            if (m_reportsClosed)
                return false;
            const std::int64_t left = deadline - MonotonicNanoseconds();
            if (left <= 0)
                return false;
            pollfd reports{m_fd, POLLIN, 0};
            const timespec wait{time_t(left / 1000000000), long(left % 1000000000)};
            if (::ppoll(&reports, 1, &wait, nullptr) < 0 && errno != EINTR)
                return false;
            while (ReceiveReports()) {
            }
        }
    }

    // Whether a shown lock is to be handed the grabs (it has not proved it holds them).
    bool LockAwaitsGrabs() const
    {
        return m_covering && m_fd >= 0 && (m_state.phase == Phase::Shown || m_state.phase == Phase::Held);
    }

    void OnHeld(std::int64_t grabbedAt)
    {
        if (!m_covering)
            return;
        m_heldCheckAt = -1;
        // The lock says it holds both. Either one taken here proves it does
        // not: that one is ours again at once, and offered to it once more.
        m_keyboardHeld = m_cover.GrabKeyboard();
        m_pointerHeld = m_cover.GrabPointer();
        if (m_keyboardHeld || m_pointerHeld) {
            if (!m_keyboardHeld || !m_pointerHeld)
                m_grabAt = MonotonicNanoseconds() + kGrabRetryNs;
            m_handOverAt = MonotonicNanoseconds() + kHandOverRetryNs;
            return;
        }
        if (m_relaunched)
            std::fprintf(
                stderr,
                "gardlock: the lock is back; the keyboard was free for %.3f ms while it was handed over.\n",
                double(grabbedAt - m_releasedAt) / double(kMs));
        if (const char *record = std::getenv("GARDLOCK_HANDOVER_LOG"))
            RecordHandOver(record, grabbedAt - m_releasedAt);
        CloseSleepLock();
        SayLocked();
        m_unansweredHandOvers = 0;
        // Keys typed between the release and the lock's grab went to the
        // focused cover: they follow the others (a second "go" makes the lock
        // replay them; it holds the grab already).
        if (std::vector<Message> late = KeysToPass(m_cover.TakeKeys()); !late.empty()) {
            late.push_back({Kind::Go});
            SendAll(m_fd, late, kSendWithinNs);
        }
        Uncover();
        m_plan.LockHeld();
    }

    // For the benchmark: the hand-over gap in nanoseconds, one line a hand-over.
    static void RecordHandOver(const char *path, std::int64_t gapNs)
    {
        const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        const std::string line = std::to_string(gapNs) + "\n";
        (void)!::write(fd, line.data(), line.size());
        ::close(fd);
    }

    void CloseSleepLockIfHeld()
    {
        if (m_keyboardHeld && m_pointerHeld && m_covering) {
            CloseSleepLock();
            SayLocked();
        }
    }

    // The sleep-lock descriptor: the system suspends once it is closed, so
    // only when the keyboard is held and the screen covered.
    void CloseSleepLock()
    {
        if (m_sleepLockFd < 0)
            return;
        ::close(m_sleepLockFd);
        m_sleepLockFd = -1;
    }

    // The display is held (by the cover here or by the lock itself).
    void SayLocked()
    {
        if (m_launch.locked)
            m_launch.locked();
    }

    void Uncover()
    {
        if (!m_covering)
            return;
        m_covering = false;
        m_grabAt = m_handOverAt = m_heldCheckAt = -1;
        // Hidden first, so that letting go is no hand-over that takes the
        // focus from the lock.
        m_cover.Hide();
        if (m_keyboardHeld || m_pointerHeld)
            m_cover.ReleaseGrabs();
        m_keyboardHeld = m_pointerHeld = false;
    }

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
        m_unread.clear();
        m_reportsClosed = false;
        const bool displayGone = m_state.phase != Phase::None && m_cover.DisplayGone();
        switch (Judge(m_state, end, displayGone)) {
        case Verdict::PassOn:
            // A lock that never came up (refused, or its program failed) leaves no cover behind.
            m_covering = false;
            CloseSleepLock();
            m_cover.Close();
            if (end.bySignal)
                RaiseAgain(end.value);
            m_status = end.value;
            return;
        case Verdict::DisplayGone:
            // The sleep lock stays taken: the machine must not suspend with a
            // lock that is gone (the descriptor closes as this process ends).
            std::fprintf(stderr, "gardlock: the X display is gone; the lock is not started again.\n");
            m_status = exit_status::kDisplayGone;
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
        m_handOverAt = m_heldCheckAt = -1;
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
        m_unansweredHandOvers = 0;
        m_relaunched = true;
        Cover();
        const RelaunchPlan::Step step = m_plan.AfterCrash(m_state.phase);
        m_noPictures = step.noPictures;
        m_loadDeadline = -1;
        m_relaunchAt = MonotonicNanoseconds() + std::int64_t(step.delayMs) * kMs;
        // Until the new lock reports, it is loading.
        m_state.phase = Phase::Starting;
        SayLockStartsAgain(end);
    }

    void TryGrabs()
    {
        m_grabAt = -1;
        if (!m_keyboardHeld)
            m_keyboardHeld = m_cover.GrabKeyboard();
        if (!m_pointerHeld)
            m_pointerHeld = m_cover.GrabPointer();
        const std::int64_t now = MonotonicNanoseconds();
        if (!m_keyboardHeld || !m_pointerHeld)
            m_grabAt = now + (now - m_coveredAt < kEarlyNs ? kEarlyGrabRetryNs : kGrabRetryNs);
        else
            CloseSleepLockIfHeld();
        // A shown lock that lacks what is held here is offered it again.
        if (LockAwaitsGrabs() && (m_keyboardHeld || m_pointerHeld) && m_handOverAt < 0)
            m_handOverAt = now + kHandOverRetryNs;
    }

    void Relaunch()
    {
        m_relaunchAt = -1;
        std::vector<std::string> args = {RelaunchSwitch(m_state.lock)};
        if (!StartChild(args, m_noPictures ? protocol::kNoPictures
                                           : protocol::kRelaunched)) {
            m_relaunchAt = MonotonicNanoseconds() + 100 * kMs;
            return;
        }
        m_loadDeadline = MonotonicNanoseconds() + std::int64_t(RelaunchPlan::kShowWithinMs) * kMs;
    }

    // Starts the program with a socket pair to here. handOver: the program's
    // first lock waits for the grabs to be let go here (and says how it
    // comes: after a crash at load, without pictures).
    bool StartChild(const std::vector<std::string> &args, const char *handOver)
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
            return false;
        std::vector<std::pair<const char *, const char *>> set;
        std::vector<const char *> unset;
        if (handOver)
            set.emplace_back(protocol::kRelaunchVariable, handOver);
        else
            unset.push_back(protocol::kRelaunchVariable);
        std::string tally;
        PassTally(m_wrongPasswords.Tally(), set, unset, tally);
        const pid_t pid = StartProgram(m_launch.program, args, {{protocol::kSocketVariable, pair[1]}}, set, unset,
                                       m_childMask);
        if (pid < 0) {
            ::close(pair[0]);
            return false;
        }
        m_pid = pid;
        m_fd = pair[0];
        m_unread.clear();
        m_reportsClosed = false;
        m_typedRound = m_typeRounds; // a new lock owes nothing
        m_lockWindow = 0;
        return true;
    }

    const Launch &m_launch;
    LockCover &m_cover;
    int m_signalFd;
    sigset_t m_childMask;
    int m_sleepLockFd;
    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_relaunched = false;

    LockState m_state;
    LockWrongPasswords m_wrongPasswords{m_launch.carried};
    RelaunchPlan m_plan;
    bool m_noPictures = false;
    bool m_covering = false;
    bool m_keyboardHeld = false;
    bool m_pointerHeld = false;
    std::int64_t m_grabAt = -1;
    std::int64_t m_relaunchAt = -1;
    std::int64_t m_handOverAt = -1;
    std::int64_t m_heldCheckAt = -1;
    int m_unansweredHandOvers = 0;
    // The window the lock shown last takes its keys in (0: not known).
    std::uint32_t m_lockWindow = 0;
    // The "type" requests sent so far, each with its number, and the last
    // one the lock said it typed.
    std::uint32_t m_typeRounds = 0;
    std::uint32_t m_typedRound = 0;
    std::deque<Message> m_unread;
    bool m_reportsClosed = false;
    // The desktop's keyboard layout group when the lock began.
    std::optional<int> m_desktopGroup;
    std::int64_t m_loadDeadline = -1;
    std::int64_t m_releasedAt = 0;
    std::int64_t m_coveredAt = 0;
    std::optional<int> m_status;
};

} // namespace

int Supervise(const Launch &launch, LockCover &cover)
{
    // The descriptor is ours to close; the program must never hold it.
    if (launch.sleepLockFd >= 0)
        ::fcntl(launch.sleepLockFd, F_SETFD, FD_CLOEXEC);
    // Blocked before the first fork, so that no SIGCHLD can be missed; the
    // child gets its mask back.
    const sigset_t watched = WatchedSet();
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &watched, &previous);
    const int signalFd = ::signalfd(-1, &watched, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::fprintf(stderr, "gardlock: cannot watch the program: %s\n", std::strerror(errno));
        return exit_status::kFailed;
    }
    Supervisor supervisor(launch, cover, signalFd, previous);
    if (launch.coverFirst)
        supervisor.CoverFirst();
    int status = 1;
    if (supervisor.Start())
        status = supervisor.Run();
    else
        std::fprintf(stderr, "gardlock: cannot start %s: %s\n", launch.program.c_str(), std::strerror(errno));
    ::close(signalFd);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return status;
}

} // namespace supervision
