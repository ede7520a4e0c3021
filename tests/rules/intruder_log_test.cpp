#include "rules/GeneralDate.h"
#include "rules/IntruderLog.h"
#include "platform/storage/FileIO.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::SandboxTest;

namespace {

const QDateTime kMorning(QDate(2026, 12, 8), QTime(6, 5, 9));

TEST(GeneralDate, UsAndCLocalesUseTheFixedFormat)
{
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        EXPECT_EQ(GeneralDate(kMorning, locale), "12/8/2026 6:05:09 AM");
        EXPECT_EQ(GeneralDate(QDateTime(QDate(2026, 1, 2), QTime(12, 0, 0)), locale), "1/2/2026 12:00:00 PM");
        EXPECT_EQ(GeneralDate(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1)), locale), "1/2/2026 12:00:01 AM");
        EXPECT_EQ(GeneralDate(QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59)), locale),
                  "1/2/2026 11:59:59 PM");
        // Exactly midnight: the date alone.
        EXPECT_EQ(GeneralDate(QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)), locale), "12/31/2026");
        // Numbers as they are, never padded but for the minutes and seconds.
        EXPECT_EQ(GeneralDate(QDateTime(QDate(999, 3, 4), QTime(10, 0, 7)), locale), "3/4/999 10:00:07 AM");
    }
}

TEST(GeneralDate, OtherLocalesUseTheirShortDateAndLongTime)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString text = GeneralDate(kMorning, german);
    EXPECT_TRUE(text.startsWith(german.toString(kMorning.date(), QLocale::ShortFormat)))
        << text.toStdString();
    EXPECT_TRUE(text.contains("06:05:09") || text.contains("6:05:09")) << text.toStdString();
    EXPECT_EQ(GeneralDate(QDateTime(QDate(2026, 12, 31), QTime(0, 0)), german),
              german.toString(QDate(2026, 12, 31), QLocale::ShortFormat));
}

TEST(IntruderRecordFormat, ThreeLinesWithCrLfInWindows1252)
{
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(IntruderRecord(headings::kLock, QString::fromUtf8("gu€ss"), kMorning),
              QByteArray("An unauthorized person tried to access this system by typing as a password:\r\n"
                         "gu\x80ss On ") +
                  GeneralDate(kMorning).toLatin1() + ".\r\n\r\n");
    // An empty box gives a second line that begins with " On ".
    const QByteArray empty = IntruderRecord(headings::kViewLog, "", kMorning);
    EXPECT_TRUE(empty.contains("password:\r\n On ")) << empty.constData();
}

class IntruderLogTest : public SandboxTest {
protected:
    QString log() const { return IntruderLogPath(); }
    static QStringList Records(const QByteArray &bytes)
    {
        QStringList records = QString::fromLatin1(bytes).split("\r\n\r\n");
        EXPECT_EQ(records.takeLast(), "") << "the log must end with a record's empty line";
        return records;
    }
};

TEST_F(IntruderLogTest, AppendsRecordsOneAfterAnother)
{
    ASSERT_FALSE(QFile::exists(log()));
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "first"));
    ASSERT_TRUE(AppendIntruderRecord(headings::kPasswordChange, "second"));
    const QStringList records = Records(ReadBytes(log()));
    ASSERT_EQ(records.size(), 2);
    EXPECT_TRUE(records[0].startsWith(headings::kLock + "\r\nfirst On "));
    EXPECT_TRUE(records[1].startsWith(headings::kPasswordChange + "\r\nsecond On "));
    const QRegularExpression line2(R"(\r\nsecond On \S.*\.$)");
    EXPECT_TRUE(line2.match(records[1]).hasMatch()) << records[1].toStdString();
}

TEST_F(IntruderLogTest, FailedAppendsLeaveTheLogAsItWas)
{
    // A directory in the log's place.
    ASSERT_TRUE(QDir().mkpath(log()));
    EXPECT_FALSE(AppendIntruderRecord(headings::kLock, "x"));
    EXPECT_TRUE(QFileInfo(log()).isDir());
    QDir().rmdir(log());

    // A log on a full disk: /dev/full behind a symlink accepts the open and
    // refuses the write.
    ASSERT_EQ(::symlink("/dev/full", log().toLocal8Bit().constData()), 0);
    EXPECT_FALSE(AppendIntruderRecord(headings::kLock, "x"));
    QFile::remove(log());

    // A log that cannot be written even by a privileged user.
    ASSERT_EQ(::symlink("/proc/version", log().toLocal8Bit().constData()), 0);
    const QByteArray before = ReadBytes("/proc/version");
    EXPECT_FALSE(AppendIntruderRecord(headings::kLock, "x"));
    EXPECT_EQ(ReadBytes("/proc/version"), before);
}

TEST_F(IntruderLogTest, ReadOnlyLogKeepsItsBytes)
{
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "one"));
    const QByteArray before = ReadBytes(log());
    QFile::setPermissions(log(), QFile::ReadOwner);
    const bool appended = AppendIntruderRecord(headings::kLock, "two");
    QFile::setPermissions(log(), QFile::ReadOwner | QFile::WriteOwner);
    if (appended)
        GTEST_SKIP() << "running with privileges that ignore file permissions";
    EXPECT_EQ(ReadBytes(log()), before);
}

TEST_F(IntruderLogTest, FullDiskCutsAPartialRecordBack)
{
    // A 64 KiB tmpfs that fills up part-way through a record.
    const QString mountPoint = home() + "/small";
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs CAP_SYS_ADMIN)";
    const QString smallLog = mountPoint + "/intruder.log";
    const QString longText(3000, QChar('x'));
    int written = 0;
    QByteArray lastGood;
    while (written < 1000) {
        const bool ok = platform::AppendWhole(smallLog, IntruderRecord(headings::kLock, longText, kMorning));
        if (!ok)
            break;
        lastGood = ReadBytes(smallLog);
        ++written;
    }
    const QByteArray after = ReadBytes(smallLog);
    ::umount(mountPoint.toLocal8Bit().constData());
    ASSERT_LT(written, 1000) << "the disk never filled";
    EXPECT_GT(written, 0);
    EXPECT_EQ(after, lastGood) << "a failed append must not leave part of a record";
}

TEST_F(IntruderLogTest, TwoProcessesAppendingNeverInterleave)
{
    constexpr int kEach = 1000;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = true;
            for (int i = 0; i < kEach; ++i)
                ok = AppendIntruderRecord(headings::kLock, QString("p%1-%2").arg(c).arg(i)) && ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const QStringList records = Records(ReadBytes(log()));
    ASSERT_EQ(records.size(), 2 * kEach);
    QSet<QString> seen;
    const QRegularExpression whole("^" + QRegularExpression::escape(headings::kLock) +
                                   R"(\r\n(p[01]-\d+) On [^\r\n]+\.$)");
    for (const QString &record : records) {
        const auto match = whole.match(record);
        ASSERT_TRUE(match.hasMatch()) << record.toStdString();
        seen.insert(match.captured(1));
    }
    EXPECT_EQ(seen.size(), 2 * kEach);
}

} // namespace
