#include "rules/IntruderNoticeText.h"

#include <gtest/gtest.h>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QDateTime kFirst(QDate(2026, 12, 8), QTime(6, 5, 9));

TEST(IntruderNoticeText, OneWrongPasswordGivesItsTime)
{
    const IntruderNoticeText text = IntruderNoticeFor(1, kFirst, kFirst, kUs);
    EXPECT_EQ(text.summary, "1 wrong password while the desktop was locked");
    EXPECT_EQ(text.body, "Typed on 12/8/2026 6:05:09 AM. The intruder log has each one.");
}

TEST(IntruderNoticeText, SeveralGiveTheCountAndTheFirstAndLastTimes)
{
    const IntruderNoticeText text =
        IntruderNoticeFor(3, kFirst, QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0)), kUs);
    EXPECT_EQ(text.summary, "3 wrong passwords while the desktop was locked");
    // The log's own date and time: at midnight the date alone.
    EXPECT_EQ(text.body, "The first on 12/8/2026 6:05:09 AM, the last on 12/9/2026. The intruder log has each one.");
}

TEST(IntruderNoticeText, InOneMinuteBothSecondsShowAndInOneSecondOneTimeDoes)
{
    EXPECT_EQ(IntruderNoticeFor(2, kFirst, kFirst.addSecs(40), kUs).body,
              "The first on 12/8/2026 6:05:09 AM, the last on 12/8/2026 6:05:49 AM. The intruder log has each one.");
    EXPECT_EQ(IntruderNoticeFor(4, kFirst, kFirst.addMSecs(900), kUs).body,
              "All on 12/8/2026 6:05:09 AM. The intruder log has each one.");
}

} // namespace
