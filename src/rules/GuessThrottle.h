#pragma once
// How fast wrong passwords may follow each other at a prompt. The first few
// wrong passwords in a row cost nothing, so a typo never makes the owner
// wait; after that each further check must wait a delay that doubles with
// every wrong password, up to a cap. A program typing passwords (a
// keystroke-injection device types hundreds a minute) gets through at most
// eight in 20 seconds and two a minute after that. The right password clears
// the count.
//
// Only the rule: the prompts ask MayCheck() before comparing and report the
// outcome. Time comes from a monotonic clock (a changed wall clock cannot
// shorten the wait), injectable so tests need not wait.

#include <chrono>
#include <functional>

class GuessThrottle {
public:
    using Clock = std::function<std::chrono::milliseconds()>;

    // Wrong passwords in a row that are checked without any wait.
    static constexpr int kFreeGuesses = 4;
    // The wait after the first wrong password beyond the free ones; it
    // doubles with each further one, up to kLongestWait.
    static constexpr std::chrono::milliseconds kFirstWait{1000};
    static constexpr std::chrono::milliseconds kLongestWait{30000};

    // The steady (monotonic) clock of the system.
    GuessThrottle();
    explicit GuessThrottle(Clock clock);

    // The wait that follows this many wrong passwords in a row.
    static std::chrono::milliseconds WaitAfter(int wrongInARow);

    // Whether a password may be checked now; when not, how long until it may.
    bool MayCheck() const { return Remaining() == std::chrono::milliseconds::zero(); }
    std::chrono::milliseconds Remaining() const;

    // The outcome of a check that was made.
    void Wrong();
    void Right();

    int WrongInARow() const { return m_wrong; }

private:
    Clock m_clock;
    int m_wrong = 0;
    std::chrono::milliseconds m_lastWrong{0};
};

// The one count of this process, shared by every password prompt: closing
// and reopening a prompt does not reset it.
GuessThrottle &PasswordGuesses();
