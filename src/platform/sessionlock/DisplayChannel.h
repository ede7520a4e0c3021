#pragma once
// The program's end of the display pair of a Wayland lock
// (core/LockDisplayProtocol.h): one message a packet, a surface's buffer
// passed with it. Reads in the event loop once started; before that it can
// wait, blocking, for the first surface, keeping what came ahead of it.

#include "core/LockDisplayProtocol.h"

#include <QObject>

#include <deque>
#include <functional>
#include <optional>

class QSocketNotifier;

namespace platform::sessionlock {

// Reads and clears protocol::display::kSocketVariable, so that programs
// started from here never see it: the descriptor when it names an open
// socket (made close-on-exec), else -1. Call before any thread or child
// process is started. The descriptor is also kept for the platform plugin,
// which takes it with TakeKeptDisplaySocket() when Qt starts.
int TakeDisplaySocket();
int TakeKeptDisplaySocket();

// A descriptor owned by one holder.
class OwnedFd {
public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : m_fd(fd) {}
    OwnedFd(OwnedFd &&other) noexcept : m_fd(other.Release()) {}
    OwnedFd &operator=(OwnedFd &&other) noexcept;
    OwnedFd(const OwnedFd &) = delete;
    OwnedFd &operator=(const OwnedFd &) = delete;
    ~OwnedFd();
    int Get() const { return m_fd; }
    int Release();

private:
    int m_fd = -1;
};

// A message as read: a surface always with its descriptor (one without is
// dropped), anything else never with one (any that came along is closed).
struct Incoming {
    protocol::display::Message message;
    OwnedFd buffer;
};

class DisplayChannel : public QObject {
    Q_OBJECT
public:
    explicit DisplayChannel(int fd); // takes the descriptor over
    ~DisplayChannel() override;

    // Waits up to timeoutMs for a surface and returns it; whatever else
    // arrives first is kept for Start(). Nothing when the time ran out or
    // the front closed its end.
    std::optional<Incoming> WaitForSurface(int timeoutMs);
    // From now on every message goes to onMessage, in the order it came
    // (those kept first, on the next turn of the event loop); onClosed once
    // the front is gone.
    void Start(std::function<void(Incoming &)> onMessage, std::function<void()> onClosed);
    void Send(const protocol::display::Message &message);
    bool Closed() const { return m_closed; }

private:
    enum class Read { Message, Nothing, Closed };
    Read ReadOne(std::optional<Incoming> &incoming);
    void OnReadable();
    void DeliverKept();
    void OnClosed();

    int m_fd;
    bool m_closed = false;
    QSocketNotifier *m_notifier = nullptr;
    std::deque<Incoming> m_kept;
    std::function<void(Incoming &)> m_onMessage;
    std::function<void()> m_onClosed;
};

} // namespace platform::sessionlock
