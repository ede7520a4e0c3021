#pragma once
// The messages between the supervisor (the front, gardlock) and the program it
// runs (gardlock-ui), over a SOCK_SEQPACKET socket pair, and the environment
// that tells a started program how it was started. No Qt: both processes use
// them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

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
// Set ("1") in a front that a lock's program started because the front it
// ran under died while the lock was up: its lock comes back as after a crash.
inline constexpr char kResumeVariable[] = "GARDLOCK_RESUME_LOCK";

// The largest packet either side sends or reads; a packet holds one message
// or several separated by newlines (caught keys travel in batches, so that a
// burst of them never fills the socket ahead of a control message).
inline constexpr std::size_t kMaxPacket = 4096;

// One message a packet (a SOCK_SEQPACKET pair keeps them apart).
enum class Kind {
    StartingNormal,  // child: a Normal lock loads
    StartingNtStyle, // child: an NT-style lock loads
    Shown,           // child: its window (`window`, 0 if none is known) is shown; a relaunched lock then waits for Go
    Held,            // child: it holds keyboard and pointer (since `nanoseconds`, CLOCK_MONOTONIC)
    Ended,           // child: the right password ended the lock
    Refused,         // child: the lock cannot hold this display; it ends without one
    Go,              // supervisor: it let go of the grab; take it now
    Key,             // supervisor: a key its grab caught, sent before Go; the lock replays it
    TypeKeys,        // supervisor: type the keys sent before this into the lock now, then say Typed (`round`)
    Typed,           // child: the keys sent before TypeKeys `round` are in the lock
    WrongPassword,   // child: a wrong password at the lock, typed at `seconds` (since the epoch)
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
    std::uint32_t window = 0;     // Shown only: the X window that takes the lock's keys
    CaughtKey key{};              // Key only
    std::uint32_t round = 0;      // TypeKeys and Typed: Typed answers the TypeKeys of its number
    std::int64_t seconds = 0;     // WrongPassword only
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

} // namespace protocol
