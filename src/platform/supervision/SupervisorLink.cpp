#include "platform/supervision/SupervisorLink.h"

#include "platform/Platform.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

using protocol::Kind;
using protocol::Message;

namespace {

// How often a lock that was told to take the grabs tries again while another
// client keeps one of them.
constexpr int kHoldRetryMs = 5;

} // namespace

SupervisorEnvironment TakeSupervisorEnvironment()
{
    SupervisorEnvironment environment;
    if (const char *text = std::getenv(protocol::kSocketVariable)) {
        int fd = -1;
        const char *end = text + std::strlen(text);
        const auto [last, error] = std::from_chars(text, end, fd);
        // Only a socket that is really open here counts.
        if (error == std::errc() && last == end && fd > 2 && ::fcntl(fd, F_GETFD) != -1) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            environment.fd = fd;
        }
    }
    if (const char *mode = std::getenv(protocol::kRelaunchVariable)) {
        environment.relaunched = true;
        environment.afterCrash = std::strcmp(mode, protocol::kCoveredFirst) != 0;
        environment.noPictures = std::strcmp(mode, protocol::kNoPictures) == 0;
    }
    if (const char *tally = std::getenv(protocol::kTallyVariable))
        environment.wrongPasswords = protocol::ParseTally(tally).value_or(protocol::WrongPasswordTally{});
    ::unsetenv(protocol::kSocketVariable);
    ::unsetenv(protocol::kRelaunchVariable);
    ::unsetenv(protocol::kTallyVariable);
    return environment;
}

SupervisorLink::SupervisorLink(SupervisorEnvironment environment, int waitMs)
    : m_fd(environment.fd), m_relaunched(environment.relaunched), m_afterCrash(environment.afterCrash),
      m_noPictures(environment.noPictures), m_waitMs(waitMs)
{
    m_wrongPasswords = environment.wrongPasswords;
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { OnReadable(); });
    m_holdRetry = new QTimer(this);
    m_holdRetry->setInterval(kHoldRetryMs);
    connect(m_holdRetry, &QTimer::timeout, this, [this] { TryToHold(); });
}

SupervisorLink::~SupervisorLink()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void SupervisorLink::Send(const Message &message)
{
    if (m_fd < 0)
        return;
    const std::string packet = protocol::Encode(message);
    // A supervisor that is gone must not end a lock through SIGPIPE.
    (void)!::send(m_fd, packet.data(), packet.size(), MSG_NOSIGNAL);
}

void SupervisorLink::LockStarting(LockKind lock)
{
    m_locked = true;
    m_lockKind = lock;
    Send({lock == LockKind::Normal ? Kind::StartingNormal : Kind::StartingNtStyle});
}

int SupervisorLink::WrongPassword(std::int64_t seconds)
{
    Message wrong{Kind::WrongPassword};
    wrong.seconds = seconds;
    Send(wrong);
    return LockSupervision::WrongPassword(seconds);
}

void SupervisorLink::LockShown()
{
    if (m_fd < 0)
        return;
    Message shown{Kind::Shown};
    if (m_keyWindow)
        shown.window = m_keyWindow();
    Send(shown);
    // Only the first lock of a relaunched process finds the supervisor
    // holding the grab; any other takes it at once.
    const bool handedOver = m_relaunched && !m_shownBefore;
    m_shownBefore = true;
    if (!handedOver) {
        TakeGrab();
        return;
    }
    // Waited for here rather than in the event loop: the keyboard is free
    // from the supervisor's release to this process's grab.
    const std::int64_t deadline = protocol::MonotonicNanoseconds() + std::int64_t(m_waitMs) * 1000000;
    bool go = false;
    while (!go) {
        const std::int64_t left = (deadline - protocol::MonotonicNanoseconds()) / 1000000;
        if (left <= 0)
            break;
        pollfd ready{m_fd, POLLIN, 0};
        const int count = ::poll(&ready, 1, int(left));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        char packet[protocol::kMaxPacket];
        const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
        if (size == 0) {
            OnClosed();
            break;
        }
        if (size < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            break;
        }
        for (const Message &message : protocol::ParsePacket({packet, size_t(size)})) {
            OnMessage(message);
            go = go || message.kind == Kind::Go;
        }
    }
    // No "go" in time: the grabs are taken anyway.
    if (!go)
        TakeOver();
}

void SupervisorLink::ReplayCaughtKeys()
{
    // In the lock before the grab is asked for (and, for "type", before the
    // supervisor lets the keyboard go), so they come ahead of any key typed
    // from then on.
    std::vector<protocol::CaughtKey> caught;
    caught.swap(m_caught);
    if (!m_replay || caught.empty())
        return;
    // A key may open a box with an event loop of its own: what the
    // supervisor sends meanwhile is read afterwards, in order.
    if (m_notifier)
        m_notifier->setEnabled(false);
    m_replay(caught);
    if (m_notifier && !m_closed)
        m_notifier->setEnabled(true);
}

void SupervisorLink::LockEnded()
{
    m_locked = false;
    if (m_holdRetry)
        m_holdRetry->stop();
    Send({Kind::Ended});
}

void SupervisorLink::LockRefused()
{
    Send({Kind::Refused});
}

void SupervisorLink::TakeGrab()
{
    TryToHold();
    if (m_holdRetry && !m_holdRetry->isActive() && m_locked)
        m_holdRetry->start();
}

// "held" means keyboard and pointer both: until then the supervisor keeps its
// cover up (and a locker's sleep lock open), and this keeps trying.
void SupervisorLink::TryToHold()
{
    services().shell->DisableSystemKeys();
    if (!services().shell->HoldsInput())
        return;
    if (m_holdRetry)
        m_holdRetry->stop();
    Send({Kind::Held, protocol::MonotonicNanoseconds()});
}

void SupervisorLink::OnMessage(const Message &message)
{
    switch (message.kind) {
    case Kind::Key:
        m_caught.push_back(message.key);
        return;
    case Kind::TypeKeys: {
        // The supervisor holds the keyboard back until it hears this.
        ReplayCaughtKeys();
        Message typed{Kind::Typed};
        typed.round = message.round;
        Send(typed);
        return;
    }
    case Kind::Go:
        // The supervisor let go (again): take the grabs now.
        if (m_locked)
            TakeOver();
        return;
    default:
        return;
    }
}

void SupervisorLink::TakeOver()
{
    ReplayCaughtKeys();
    // A password among them may have ended the lock.
    if (m_locked)
        TakeGrab();
}

void SupervisorLink::OnReadable()
{
    for (;;) {
        char packet[protocol::kMaxPacket];
        const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
        if (size == 0) {
            OnClosed();
            return;
        }
        if (size < 0)
            return;
        for (const Message &message : protocol::ParsePacket({packet, size_t(size)}))
            OnMessage(message);
    }
}

void SupervisorLink::OnClosed()
{
    m_closed = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_holdRetry)
        m_holdRetry->stop();
    // The supervisor is gone. A lock stays (only its password ends it);
    // anything else ends with it, as it would have if the two were one process.
    if (!m_locked) {
        services().session->EndProgram(0);
        return;
    }
    // A lock that cannot stand alone hands itself to a new front.
    if (m_frontLost) {
        m_frontLost(m_lockKind, m_wrongPasswords);
        services().session->EndProgram(0);
    }
}

} // namespace platform
