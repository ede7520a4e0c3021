#pragma once
// The wrong passwords typed at one lock: how many, and when the first and
// the last were. They belong to the lock, not to one process of it: the
// front keeps them across relaunches and hands them to each relaunched
// program (and a new front) in the environment. No Qt: both processes use it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// Set in a relaunched lock and in a front started for a lock whose front
// died: the tally so far, as EncodeTally writes it.
inline constexpr char kTallyVariable[] = "GARDLOCK_WRONG_PASSWORDS";

struct WrongPasswordTally {
    int count = 0;
    std::int64_t first = 0; // seconds since the epoch
    std::int64_t last = 0;

    void Add(std::int64_t seconds);
    bool operator==(const WrongPasswordTally &) const = default;
};

// "<count> <first> <last>"
std::string EncodeTally(const WrongPasswordTally &tally);
// Anything but three whole numbers, a count of at least 1 and times not
// before the epoch gives nothing.
std::optional<WrongPasswordTally> ParseTally(std::string_view text);

} // namespace protocol
