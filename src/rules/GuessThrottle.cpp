#include "rules/GuessThrottle.h"

#include <algorithm>

using std::chrono::milliseconds;

namespace {

milliseconds SteadyNow()
{
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace

GuessThrottle::GuessThrottle() : GuessThrottle(SteadyNow) {}

GuessThrottle::GuessThrottle(Clock clock) : m_clock(std::move(clock)) {}

milliseconds GuessThrottle::WaitAfter(int wrongInARow)
{
    if (wrongInARow < kFreeGuesses)
        return milliseconds::zero();
    // Doubling stops once the cap is reached, so no count can overflow the shift.
    milliseconds wait = kFirstWait;
    for (int i = kFreeGuesses; i < wrongInARow && wait < kLongestWait; ++i)
        wait *= 2;
    return std::min(wait, kLongestWait);
}

milliseconds GuessThrottle::Remaining() const
{
    const milliseconds due = m_lastWrong + WaitAfter(m_wrong);
    return std::max(due - m_clock(), milliseconds::zero());
}

void GuessThrottle::Wrong()
{
    ++m_wrong;
    m_lastWrong = m_clock();
}

void GuessThrottle::Right()
{
    m_wrong = 0;
}

GuessThrottle &PasswordGuesses()
{
    static GuessThrottle guesses;
    return guesses;
}
