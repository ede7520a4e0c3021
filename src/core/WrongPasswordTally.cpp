#include "core/WrongPasswordTally.h"

#include <charconv>
#include <limits>

namespace protocol {

void WrongPasswordTally::Add(std::int64_t seconds)
{
    // A count that could overflow is no count of typed passwords; it stops.
    if (count < std::numeric_limits<int>::max())
        ++count;
    if (count == 1)
        first = seconds;
    last = seconds;
}

std::string EncodeTally(const WrongPasswordTally &tally)
{
    return std::to_string(tally.count) + ' ' + std::to_string(tally.first) + ' ' + std::to_string(tally.last);
}

std::optional<WrongPasswordTally> ParseTally(std::string_view text)
{
    std::int64_t numbers[3] = {};
    const char *at = text.data();
    const char *end = text.data() + text.size();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at == end || *at != ' ')
                return std::nullopt;
            ++at;
        }
        const auto [next, error] = std::from_chars(at, end, numbers[i]);
        if (error != std::errc() || next == at || numbers[i] < 0)
            return std::nullopt;
        at = next;
    }
    if (at != end || numbers[0] < 1 || numbers[0] > std::numeric_limits<int>::max())
        return std::nullopt;
    return WrongPasswordTally{int(numbers[0]), numbers[1], numbers[2]};
}

} // namespace protocol
