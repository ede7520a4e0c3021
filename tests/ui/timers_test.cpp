// The program's timers: the platform's resolution, no ticks while the
// widget a timer belongs to is hidden, and the paces of a lock's timers (the
// display's changes, the clock's second, resting while the display sleeps).

#include "platform/DisplayActivity.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
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
    ASSERT_EVENTUALLY(ticks >= 2, 5000);
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
    ASSERT_EVENTUALLY(screenTicks >= 3 && labelTicks >= 3 && slowTicks >= 1, 5000);

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

TEST_F(TimersTest, ATimerPacedByTheDisplaysChangesTicksOnlyOnThemAndAtTheShow)
{
    QWidget screen;
    int ticks = 0;
    QTimer *timer = NewTimer(&screen, 1, true, [&] { ++ticks; }, TimerPace::DisplayChanges);
    screen.show();
    PostedOnly();
    EXPECT_EQ(ticks, 1);
    SeveralPeriods();
    EXPECT_EQ(ticks, 1) << "ticked with nothing reported";

    // Changes reported together make one tick, once the event loop turns.
    platform::displayActivity().ReportChange();
    platform::displayActivity().ReportChange();
    EXPECT_EQ(ticks, 1);
    PostedOnly();
    EXPECT_EQ(ticks, 2);

    // Hidden or stopped, a change ticks nothing.
    screen.hide();
    platform::displayActivity().ReportChange();
    PostedOnly();
    screen.show();
    timer->stop();
    platform::displayActivity().ReportChange();
    PostedOnly();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(TimerInterval(timer), 1);
}

TEST_F(TimersTest, AClockTimerFiresJustAfterEachSecond)
{
    QObject owner;
    QTimer *clock = NewTimer(&owner, 3, true, [] {}, TimerPace::Seconds);
    EXPECT_EQ(clock->timerType(), Qt::PreciseTimer);
    EXPECT_GT(clock->interval(), 0);
    EXPECT_LE(clock->interval(), 1005);
    const qint64 due = QDateTime::currentMSecsSinceEpoch() + clock->remainingTime();
    EXPECT_LT(due % 1000, 50) << "due at " << due % 1000 << " ms past a second";
}

// The screen saver, or the monitors' power asked at a due tick, puts the
// paced timers to rest; they tick once as the display wakes.
TEST_F(TimersTest, PacedTimersRestWhileTheDisplaySleepsAndCatchUpAsItWakes)
{
    platform::DisplayActivity &display = platform::displayActivity();
    QObject owner;
    int clockTicks = 0, hopTicks = 0, plainTicks = 0;
    QTimer *clock = NewTimer(&owner, 3, true, [&] { ++clockTicks; }, TimerPace::Seconds);
    QTimer *hop = NewTimer(&owner, 4000, true, [&] { ++hopTicks; }, TimerPace::IntervalAwake);
    QTimer *plain = NewTimer(&owner, 4000, true, [&] { ++plainTicks; });
    const auto fireAll = [&] {
        for (QTimer *t : {clock, hop, plain})
            QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection);
    };

    display.SetScreenSaverOn(true);
    fireAll();
    EXPECT_EQ(clockTicks + hopTicks, 0);
    EXPECT_EQ(plainTicks, 1) << "a timer not paced by the display keeps ticking";
    display.SetScreenSaverOn(false);
    EXPECT_EQ(clockTicks, 1);
    EXPECT_EQ(hopTicks, 1);
    EXPECT_EQ(clock->interval() <= 1005 && hop->interval() == 4000, true) << "both run again";

    // Monitors powered down: found at the due tick; the next key wakes them.
    bool monitorsOff = true;
    display.SetMonitorsProbe([&] { return monitorsOff; });
    fireAll();
    EXPECT_EQ(clockTicks + hopTicks, 2);
    EXPECT_TRUE(display.Sleeping());
    monitorsOff = false;
    QWidget screen;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&screen, &key);
    EXPECT_FALSE(display.Sleeping());
    EXPECT_EQ(clockTicks, 2);
    EXPECT_EQ(hopTicks, 2);
    display.SetMonitorsProbe({});
}

} // namespace
