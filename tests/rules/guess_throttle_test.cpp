#include "rules/GuessThrottle.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// A throttle on a clock the test moves by hand.
struct Throttled {
    milliseconds now{5000};
    GuessThrottle throttle{[this] { return now; }};
};

// How many passwords a program that types instantly gets checked within the
// window: it presses Enter again the moment a check may run.
int GuessesWithin(milliseconds window)
{
    Throttled t;
    const milliseconds end = t.now + window;
    int checked = 0;
    while (t.now <= end) {
        if (t.throttle.MayCheck()) {
            ++checked;
            t.throttle.Wrong();
        } else {
            t.now += t.throttle.Remaining();
        }
    }
    return checked;
}

TEST(GuessThrottleTest, TheFirstFewAreFreeThenTheWaitDoublesUpToTheCap)
{
    const std::vector<std::pair<int, milliseconds>> table{
        {0, 0ms},    {1, 0ms},     {3, 0ms},     {4, 1000ms},   {5, 2000ms},     {6, 4000ms},
        {7, 8000ms}, {8, 16000ms}, {9, 30000ms}, {10, 30000ms}, {1000, 30000ms}, {1 << 30, 30000ms},
    };
    for (const auto &[wrong, wait] : table)
        EXPECT_EQ(GuessThrottle::WaitAfter(wrong), wait) << wrong << " wrong in a row";
}

TEST(GuessThrottleTest, ATypoOrThreeCostNothingAndTheRightPasswordClearsTheCount)
{
    Throttled t;
    for (int i = 0; i < GuessThrottle::kFreeGuesses - 1; ++i) {
        t.throttle.Wrong();
        EXPECT_TRUE(t.throttle.MayCheck()) << i;
    }
    t.throttle.Wrong();
    EXPECT_FALSE(t.throttle.MayCheck());
    EXPECT_EQ(t.throttle.Remaining(), 1000ms);
    t.now += 999ms;
    EXPECT_EQ(t.throttle.Remaining(), 1ms);
    t.now += 1ms;
    EXPECT_TRUE(t.throttle.MayCheck());

    t.throttle.Right();
    EXPECT_EQ(t.throttle.WrongInARow(), 0);
    t.throttle.Wrong(); // a typo after the right password starts again from one
    EXPECT_TRUE(t.throttle.MayCheck());
}

TEST(GuessThrottleTest, TheWaitRunsFromTheLastWrongPasswordAndAPauseDoesNotResetTheCount)
{
    Throttled t;
    for (int i = 0; i < 5; ++i)
        t.throttle.Wrong();
    EXPECT_EQ(t.throttle.Remaining(), 2000ms);
    t.now += 500ms;
    EXPECT_EQ(t.throttle.Remaining(), 1500ms);
    // Waiting longer than needed lets the next check through at once...
    t.now += 60s;
    EXPECT_TRUE(t.throttle.MayCheck());
    // ...but the next wrong one still doubles the wait.
    t.throttle.Wrong();
    EXPECT_EQ(t.throttle.Remaining(), 4000ms);
}

TEST(GuessThrottleTest, AnInjectorGetsAboutTenGuessesIn20SecondsAndTwoAMinuteAfter)
{
    const int in20s = GuessesWithin(20s);
    EXPECT_LE(in20s, 10);
    EXPECT_GE(in20s, GuessThrottle::kFreeGuesses);
    std::printf("guesses in 20 s: %d\n", in20s);

    const int inAnHour = GuessesWithin(1h);
    EXPECT_LE(inAnHour, 2 * 60 + 10);
    std::printf("guesses in an hour: %d\n", inAnHour);
}

} // namespace
