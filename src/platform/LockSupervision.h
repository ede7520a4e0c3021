#pragma once
// The lock's side of crash supervision. The program runs as the child of a
// small supervising process (front/Supervisor.h) that holds no pictures and
// parses no files; the locks tell it when they start, when their window is
// shown and when the right password ends them, so that a lock process that
// dies in between is replaced at once by a black cover, a grab and a fresh
// lock. Without a supervisor every report does nothing.
//
// Nothing here uses Qt: the supervisor shares the message format.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    // The lock asked for cannot hold this display and is not put up (the
    // program ends with the "cannot lock" status next).
    virtual void LockRefused() {}
    // True in a lock brought back after its process died: it was up, so it
    // comes up again whatever a fresh lock would refuse for.
    virtual bool MustComeBack() const { return false; }
};

// The installed one; a do-nothing one when the program is not supervised.
LockSupervision &lockSupervision();
void installLockSupervision(LockSupervision *supervision);

namespace supervision {

// Set in a supervised process: the number of its end of the socket pair.
inline constexpr char kSocketVariable[] = "GARDLOCK_SUPERVISOR_FD";
// Set in a lock the supervisor relaunched, or a first lock the front covered
// and grabbed for before it started: kCoveredFirst for that first lock,
// kRelaunched after a crash, kNoPictures after a crash at load. Each waits
// for the supervisor to let go of the grabs.
inline constexpr char kRelaunchVariable[] = "GARDLOCK_RELAUNCHED";
inline constexpr char kCoveredFirst[] = "first";
inline constexpr char kRelaunched[] = "1";
inline constexpr char kNoPictures[] = "no-pictures";

// The largest packet either side sends or reads; a packet holds one message
// or several separated by newlines (caught keys travel in batches, so that a
// burst of them never fills the socket ahead of a control message).
inline constexpr std::size_t kMaxPacket = 4096;

// One message a packet (a SOCK_SEQPACKET pair keeps them apart).
enum class Kind {
    StartingNormal,  // child: a Normal lock loads
    StartingNtStyle, // child: an NT-style lock loads
    Shown,           // child: its window is shown (a relaunched lock then waits for Go)
    Held,            // child: it holds keyboard and pointer (since `nanoseconds`, CLOCK_MONOTONIC)
    Ended,           // child: the right password ended the lock
    Refused,         // child: the lock cannot hold this display; it ends without one
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

// Packs messages into as few packets of at most kMaxPacket bytes as they fit.
std::vector<std::string> EncodeBatch(const std::vector<Message> &messages);
// Every well-formed message of a packet, in order; malformed lines are dropped.
std::vector<Message> ParsePacket(std::string_view packet);

// CLOCK_MONOTONIC now, in nanoseconds.
std::int64_t MonotonicNanoseconds();

} // namespace supervision

} // namespace platform
