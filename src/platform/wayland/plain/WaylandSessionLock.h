#pragma once
// The front's hold on a Wayland session: the session lock
// (ext-session-lock-v1), a lock surface on every output, black at once, and
// the keyboard and pointer the compositor gives those surfaces alone. The
// program draws the lock into the first output's buffer (SharedPixels) and
// says what it drew; every other output stays black. Only Unlock() ends
// the lock: if this process dies first, the compositor keeps the session
// locked. Plain calls with no Qt; the caller polls Fds() and calls Dispatch().

#include "core/LockDisplayProtocol.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::wayland {

class SharedPixels;

class WaylandSessionLock {
public:
    WaylandSessionLock();
    ~WaylandSessionLock();
    WaylandSessionLock(const WaylandSessionLock &) = delete;
    WaylandSessionLock &operator=(const WaylandSessionLock &) = delete;

    enum class Outcome {
        Locked,   // the compositor hides everything but the lock surfaces
        Refused,  // it answered "finished" (another locker holds the session, or it will not lock)
        NoLock,   // it offers no session lock
        Failed,   // no connection, a protocol error, or no answer in time
    };
    // Connects to the compositor `display` names, asks for the lock and waits
    // (at most timeoutMs) for its answer.
    Outcome Lock(const std::string &display, int timeoutMs);

    // Descriptors to poll for reading: the connection and the key repeat timer.
    int ConnectionFd() const;
    int RepeatFd() const;
    // Call before polling (flushes requests, prepares the read) ...
    void BeforePoll();
    // ... and after, with what the poll said of ConnectionFd() and RepeatFd().
    void AfterPoll(short connectionEvents, short repeatEvents);

    // What happened since the last call.
    struct Events {
        bool lost = false;      // the connection is gone (or a protocol error ended it)
        bool finished = false;  // the compositor ended the lock by a policy of its own
        bool primaryBuffer = false; // the first output has a new buffer (or the first one)
        std::vector<std::uint32_t> presented; // buffers whose last frame is on screen
        std::vector<protocol::display::Message> input; // keys and pointer, in order
        std::optional<protocol::display::Message> layout; // the keyboard's layouts or Caps Lock changed
    };
    Events TakeEvents();

    // The first output's buffer, its number and its output's scale; null
    // while it has none.
    const SharedPixels *PrimaryPixels() const;
    std::uint32_t PrimaryBuffer() const;
    std::uint32_t PrimaryScale() const;

    // The program drew the frame's rectangle into the buffer it names: shown
    // when that is the first output's current buffer and the rectangle lies
    // inside it; false (nothing done) otherwise.
    bool ShowFrame(const protocol::display::Message &frame);
    // Whether the compositor has shown every frame ShowFrame() committed
    // since RestartFrameCount(), which the front calls as it sends the
    // program the first output's buffer. The count shown is also kept in the
    // buffer itself, for the program. A frame committed within a while of
    // the compositor's last answer for one counts as shown at once.
    bool PrimaryFramesShown() const;
    void RestartFrameCount();
    // Blacks out the first output's buffer (no program draws into it now).
    void ShowBlack();

    // The keyboard's layouts as the lock reads keys now (a Keyboard
    // message), nothing before a keymap; and the lock's own choice of one.
    std::optional<protocol::display::Message> Layout() const;
    void SelectLayout(std::uint32_t group);

    // Ends the lock (unlock_and_destroy), waits for the compositor to have
    // read it and disconnects. Only after the right password.
    void Unlock();

    struct Connection; // the connection and everything on it, for the listeners

private:
    std::unique_ptr<Connection> m;
};

} // namespace platform::wayland
