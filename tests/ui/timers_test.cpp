// The program's timers: the platform's resolution, and no ticks while the
// widget a timer belongs to is hidden.

#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

using testing_support::SandboxTest;

namespace {

class TimersTest : public SandboxTest {
protected:
    // Long enough for several ticks at the resolution.
    static void SeveralPeriods() { QTest::qWait(4 * kTimerResolutionMs); }
    // Runs what was posted (the catch-up tick of a shown screen), no waiting.
    static void PostedOnly() { QCoreApplication::sendPostedEvents(); }
};

TEST_F(TimersTest, IntervalsBelowTheResolutionFireAtItAndKeepTheirWrittenValue)
{
    static_assert(kTimerResolutionMs == 100, "the resolution the README gives");
    QObject owner;
    const struct {
        int written;
        int fires;
    } cases[] = {{1, 100}, {3, 100}, {10, 100}, {50, 100}, {99, 100}, {100, 100}, {101, 101}, {3000, 3000}};
    for (const auto &c : cases) {
        QTimer *timer = NewTimer(&owner, c.written, false, [] {});
        EXPECT_EQ(TimerInterval(timer), c.written);
        EXPECT_EQ(timer->interval(), c.fires) << c.written;
        EXPECT_EQ(timer->timerType(), Qt::CoarseTimer) << c.written;
        EXPECT_FALSE(timer->isActive());
    }
    // A timer that belongs to no widget simply runs.
    int ticks = 0;
    QTimer *running = NewTimer(&owner, 1, true, [&] { ++ticks; });
    EXPECT_TRUE(TimerTicking(running));
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
}

TEST_F(TimersTest, AHiddenWidgetsTimerHoldsBackAndShowingItTicksAtOnce)
{
    QWidget screen;
    auto *label = new QLabel(&screen); // timers of a control follow its window
    int screenTicks = 0, labelTicks = 0, slowTicks = 0;
    QTimer *fast = NewTimer(&screen, 3, true, [&] { ++screenTicks; });
    QTimer *ofLabel = NewTimer(label, 1, true, [&] { ++labelTicks; });
    QTimer *slow = NewTimer(&screen, 150, true, [&] { ++slowTicks; });

    // Never shown: enabled, but nothing ticks.
    for (QTimer *t : {fast, ofLabel, slow}) {
        EXPECT_TRUE(t->isActive());
        EXPECT_FALSE(TimerTicking(t));
    }
    SeveralPeriods();
    EXPECT_EQ(screenTicks + labelTicks + slowTicks, 0);

    // Shown: the short ones tick once straight away, before any period ran.
    screen.show();
    PostedOnly();
    EXPECT_EQ(screenTicks, 1);
    EXPECT_EQ(labelTicks, 1);
    EXPECT_EQ(slowTicks, 0); // a long timer just starts its interval
    for (QTimer *t : {fast, ofLabel, slow})
        EXPECT_TRUE(TimerTicking(t));
    QTRY_VERIFY_WITH_TIMEOUT(screenTicks >= 3 && labelTicks >= 3 && slowTicks >= 1, 5000);

    // Hidden again: no more ticks.
    screen.hide();
    PostedOnly();
    const int before = screenTicks + labelTicks + slowTicks;
    SeveralPeriods();
    EXPECT_EQ(screenTicks + labelTicks + slowTicks, before);
    for (QTimer *t : {fast, ofLabel, slow}) {
        EXPECT_TRUE(t->isActive());
        EXPECT_FALSE(TimerTicking(t));
    }
}

TEST_F(TimersTest, StartAndStopWhileHiddenMeanWhatTheySayOnceShown)
{
    QWidget screen;
    int stoppedTicks = 0, startedTicks = 0;
    QTimer *stopped = NewTimer(&screen, 1, true, [&] { ++stoppedTicks; });
    QTimer *started = NewTimer(&screen, 1, false, [&] { ++startedTicks; });
    screen.show();
    screen.hide();
    stopped->stop();
    started->start();
    SeveralPeriods();
    EXPECT_EQ(startedTicks, 0);

    stoppedTicks = 0;
    screen.show();
    PostedOnly();
    EXPECT_EQ(startedTicks, 1);
    EXPECT_FALSE(stopped->isActive());
    EXPECT_TRUE(TimerTicking(started));
    SeveralPeriods();
    EXPECT_EQ(stoppedTicks, 0);
    EXPECT_GE(startedTicks, 2);
    EXPECT_EQ(TimerInterval(started), 1);
    EXPECT_EQ(started->interval(), kTimerResolutionMs);
}

TEST_F(TimersTest, ATimerStoppedBeforeTheShowIsRunGetsNoCatchUpTick)
{
    QWidget screen;
    int ticks = 0;
    QTimer *timer = NewTimer(&screen, 3, true, [&] { ++ticks; });
    screen.show();
    timer->stop(); // in the same handler as the show
    PostedOnly();
    EXPECT_EQ(ticks, 0);
}

} // namespace
