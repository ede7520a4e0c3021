#include "platform/sessionlock/DisplayChannel.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::sessionlock {

namespace {

using protocol::display::Kind;
using protocol::display::Message;

// Room for the longest message and a byte more: a packet that fills it is no
// message of ours.
constexpr size_t kPacketRoom = protocol::display::kMostMessage + 1;
// Room for a few descriptors, so that a packet with too many is seen as such
// and all of them closed.
constexpr int kMostDescriptors = 4;

int g_kept = -1;

} // namespace

int TakeDisplaySocket()
{
    int result = -1;
    if (const char *text = std::getenv(protocol::display::kSocketVariable)) {
        int fd = -1;
        const char *end = text + std::strlen(text);
        const auto [last, error] = std::from_chars(text, end, fd);
        struct stat facts {};
        // Only a socket that is really open here counts.
        if (error == std::errc() && last == end && fd > 2 && ::fstat(fd, &facts) == 0 && S_ISSOCK(facts.st_mode)) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            result = fd;
        }
    }
    ::unsetenv(protocol::display::kSocketVariable);
    g_kept = result;
    return result;
}

int TakeKeptDisplaySocket()
{
    const int fd = g_kept;
    g_kept = -1;
    return fd;
}

OwnedFd &OwnedFd::operator=(OwnedFd &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

OwnedFd::~OwnedFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int OwnedFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

DisplayChannel::DisplayChannel(int fd) : m_fd(fd) {}

DisplayChannel::~DisplayChannel()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

DisplayChannel::Read DisplayChannel::ReadOne(std::optional<Incoming> &incoming)
{
    incoming.reset();
    char packet[kPacketRoom];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMostDescriptors)];
    iovec vector{packet, sizeof packet};
    msghdr header{};
    header.msg_iov = &vector;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(m_fd, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (size < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Read::Nothing : Read::Closed;
    std::vector<OwnedFd> descriptors;
    for (cmsghdr *c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            descriptors.emplace_back(fd);
        }
    }
    // An empty packet on a SEQPACKET socket with nothing else is the end.
    if (size == 0 && descriptors.empty())
        return Read::Closed;
    if (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC))
        return Read::Message; // too long or too many descriptors: dropped, descriptors closed
    std::optional<Message> message = protocol::display::Parse({packet, size_t(size)});
    if (!message)
        return Read::Message;
    const bool surface = message->kind == Kind::Surface;
    // A surface comes with exactly its buffer; anything else with nothing.
    if (descriptors.size() != (surface ? 1u : 0u))
        return Read::Message;
    incoming = Incoming{std::move(*message), surface ? std::move(descriptors.front()) : OwnedFd()};
    return Read::Message;
}

std::optional<Incoming> DisplayChannel::WaitForSurface(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_closed) {
        std::optional<Incoming> incoming;
        const Read read = ReadOne(incoming);
        if (read == Read::Closed) {
            m_closed = true;
            break;
        }
        if (read == Read::Message) {
            if (incoming && incoming->message.kind == Kind::Surface)
                return incoming;
            if (incoming)
                m_kept.push_back(std::move(*incoming));
            continue;
        }
        if (deadline.hasExpired())
            break;
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, int(deadline.remainingTime())) < 0 && errno != EINTR)
            break;
    }
    return std::nullopt;
}

void DisplayChannel::Start(std::function<void(Incoming &)> onMessage, std::function<void()> onClosed)
{
    m_onMessage = std::move(onMessage);
    m_onClosed = std::move(onClosed);
    // Kept messages and a close seen while waiting come first, from the event loop.
    QTimer::singleShot(0, this, [this] {
        DeliverKept();
        if (m_closed) {
            OnClosed();
            return;
        }
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { OnReadable(); });
        OnReadable();
    });
}

void DisplayChannel::DeliverKept()
{
    while (!m_kept.empty()) {
        Incoming incoming = std::move(m_kept.front());
        m_kept.pop_front();
        m_onMessage(incoming);
    }
}

void DisplayChannel::OnReadable()
{
    while (!m_closed) {
        std::optional<Incoming> incoming;
        const Read read = ReadOne(incoming);
        if (read == Read::Nothing)
            return;
        if (read == Read::Closed) {
            m_closed = true;
            OnClosed();
            return;
        }
        if (incoming)
            m_onMessage(*incoming);
    }
}

void DisplayChannel::OnClosed()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_onClosed)
        m_onClosed();
}

void DisplayChannel::Send(const Message &message)
{
    if (m_closed)
        return;
    const std::string packet = protocol::display::Encode(message);
    // A front that is gone must not end the lock through SIGPIPE.
    (void)!::send(m_fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

} // namespace platform::sessionlock
