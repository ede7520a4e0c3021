// The Normal lock's clock: its text is worked out once a second, however
// often its timer ticks.

#include "rules/GeneralDate.h"
#include "rules/SecondClock.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

namespace {

struct Fixture {
    std::int64_t nowMs = 0;
    std::vector<std::int64_t> rendered;
    SecondClock clock{[this] { return nowMs; },
                      [this](std::int64_t s) {
                          rendered.push_back(s);
                          return QString::number(s);
                      }};
};

TEST(SecondClock, WorksOutTheTextOnlyInANewSecond)
{
    Fixture f;
    const struct {
        std::int64_t atMs;
        bool changed;
        const char *text;
    } ticks[] = {
        {1000, true, "1"},    {1050, false, "1"},  {1999, false, "1"}, {2000, true, "2"},
        {2001, false, "2"},   {4500, true, "4"}, // seconds skipped (a late tick) show the current one
        {3500, true, "3"},                       // the system clock set back
        {3999, false, "3"},   {-1, true, "-1"},  // before the epoch: rounded down
        {-1000, false, "-1"}, {-1001, true, "-2"},
    };
    std::size_t renders = 0;
    for (const auto &t : ticks) {
        f.nowMs = t.atMs;
        EXPECT_EQ(f.clock.Tick(), t.changed) << t.atMs;
        EXPECT_EQ(f.clock.Text(), t.text) << t.atMs;
        renders += t.changed ? 1 : 0;
        EXPECT_EQ(f.rendered.size(), renders)
            << "local time worked out on a tick in the same second, at " << t.atMs;
    }
}

TEST(SecondClock, TwentyTicksASecondForAMinuteMakeSixtyTexts)
{
    Fixture f;
    int changes = 0;
    for (f.nowMs = 1'700'000'000'000; f.nowMs < 1'700'000'060'000; f.nowMs += 50)
        changes += f.clock.Tick() ? 1 : 0;
    EXPECT_EQ(changes, 60);
    EXPECT_EQ(f.rendered.size(), 60u);
}

TEST(SecondClock, TheDefaultShowsTheGeneralDateOfTheLocalTime)
{
    SecondClock clock;
    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_TRUE(clock.Tick());
    const QDateTime after = QDateTime::currentDateTime();
    const QString text = clock.Text();
    EXPECT_TRUE(text == GeneralDate(before) || text == GeneralDate(after)) << text.toStdString();
}

// The local time worked out by the C library agrees with Qt's across a
// change to summer time, and follows a zone changed while it runs by the
// next minute.
TEST(SecondClock, TheLocalTimeFollowsSummerTimeAndAChangedZone)
{
    const QByteArray zone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    // Zone rules written out, so that no time-zone database is needed.
    qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
    const SecondClock::Render render = SecondClock::LocalGeneralDate();
    // 2026-03-08 2:00 EST is 3:00 EDT: 07:00 UTC.
    const std::int64_t change = QDateTime(QDate(2026, 3, 8), QTime(7, 0), Qt::UTC).toSecsSinceEpoch();
    for (const std::int64_t second : {change - 61, change - 1, change, change + 59, change + 3600}) {
        EXPECT_EQ(render(second), GeneralDate(QDateTime::fromSecsSinceEpoch(second))) << second;
    }
    EXPECT_EQ(render(change - 1), GeneralDate(QDate(2026, 3, 8), QTime(1, 59, 59)));
    EXPECT_EQ(render(change), GeneralDate(QDate(2026, 3, 8), QTime(3, 0, 0)));

    qputenv("TZ", "JST-9");
    EXPECT_EQ(render(change + 3660), GeneralDate(QDate(2026, 3, 8), QTime(17, 1, 0)));

    if (hadZone)
        qputenv("TZ", zone);
    else
        qunsetenv("TZ");
    ::tzset();
}

} // namespace
