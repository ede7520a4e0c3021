#pragma once
// The lock's side of crash supervision. The program runs as the child of a
// small supervising process (front/Supervisor.h) that holds no pictures and
// parses no files; the locks tell it when they start, when their window is
// shown and when the right password ends them, so that a lock process that
// dies in between is replaced at once by a black cover, a grab and a fresh
// lock. Without a supervisor every report does nothing.
//
// Nothing here uses Qt: the supervisor shares the message format.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class SupervisedLock { Normal, NtStyle };

class LockSupervision {
public:
    virtual ~LockSupervision() = default;
    // A lock is about to load (its picture is read next).
    virtual void LockStarting(SupervisedLock lock) = 0;
    // The lock's window is shown: takes the grab at once (DisableSystemKeys)
    // and says so. A relaunched lock first waits until the supervisor, which
    // holds the grab then, lets go of it.
    virtual void LockShown() = 0;
    // The right password ended the lock.
    virtual void LockEnded() = 0;
    // False in a lock relaunched after a crash at load: its picture may be
    // what crashed it.
    virtual bool PicturesAllowed() const = 0;
};

// The installed one; a do-nothing one when the program is not supervised.
LockSupervision &lockSupervision();
void installLockSupervision(LockSupervision *supervision);

namespace supervision {

// Set in a supervised process: the number of its end of the socket pair.
inline constexpr char kSocketVariable[] = "GARDLOCK_SUPERVISOR_FD";
// Set in a lock the supervisor relaunched, or a first lock the front covered
// and grabbed for before it started: kRelaunched, or kNoPictures after
// a crash at load.
inline constexpr char kRelaunchVariable[] = "GARDLOCK_RELAUNCHED";
inline constexpr char kRelaunched[] = "1";
inline constexpr char kNoPictures[] = "no-pictures";

// One message a packet (a SOCK_SEQPACKET pair keeps them apart).
enum class Kind {
    StartingNormal,  // child: a Normal lock loads
    StartingNtStyle, // child: an NT-style lock loads
    Shown,           // child: its window is shown (a relaunched lock then waits for Go)
    Held,            // child: it took the grab (at `nanoseconds`, CLOCK_MONOTONIC)
    Ended,           // child: the right password ended the lock
    Go,              // supervisor: it let go of the grab; take it now
    Key,             // supervisor: a key its grab caught, sent before Go; the lock replays it
};

// A key press or release as the X server reported it to the supervisor.
struct CaughtKey {
    bool press = true;
    std::uint8_t code = 0;   // the keycode
    std::uint16_t state = 0; // modifier and button state
    std::uint32_t time = 0;  // the server's timestamp
    bool operator==(const CaughtKey &) const = default;
};

struct Message {
    Kind kind;
    std::int64_t nanoseconds = 0; // Held only
    CaughtKey key{};              // Key only
    bool operator==(const Message &) const = default;
};

std::string Encode(const Message &message);
// Unknown or malformed packets give nothing.
std::optional<Message> Parse(std::string_view packet);

// CLOCK_MONOTONIC now, in nanoseconds.
std::int64_t MonotonicNanoseconds();

} // namespace supervision

} // namespace platform
