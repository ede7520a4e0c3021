#include "lock/LockStarter.h"
#include "lock/frmBackground.h"
#include "lock/frmNormalLock.h"
#include "platform/DisplayActivity.h"
#include "platform/autostart/RegStuff.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/Information.h"

#include <QDir>

#include <QLabel>
#include <QTest>

using testing_support::SandboxTest;
using testing_support::WhenModal;

namespace {

// Each lock says on its own screen when it cannot hold the keyboard and
// pointer, once the grace period has passed, and stops saying so when it can.
class InputHeldNoticeTest : public SandboxTest {
protected:
    template <typename Lock> QLabel *NoticeOf()
    {
        Lock &lock = Forms::Get<Lock>();
        lock.show();
        return lock.template findChild<QLabel *>("lblNotHeld");
    }
    // Lets the lock's own shell timer run for a while.
    static void RunTicks(int ms) { QTest::qWait(ms); }
};

TEST_F(InputHeldNoticeTest, BothLocksSayWhenAnotherProgramKeepsTheInput)
{
    shell().holdsInput = false;
    for (QLabel *notice : {NoticeOf<frmNormalLock>(), NoticeOf<frmBackground>()}) {
        ASSERT_NE(notice, nullptr);
        RunTicks(200);
        EXPECT_FALSE(notice->isVisible()) << "said before the grace period was over";
        RunTicks(1100);
        EXPECT_TRUE(notice->isVisible());
        EXPECT_TRUE(notice->text().contains("NOT locked"));
        EXPECT_EQ(notice->width(), notice->parentWidget()->width());

        shell().holdsInput = true;
        ASSERT_EVENTUALLY(!notice->isVisible(), 5000); // at the next tick
        // The grab lost again, which the display server reports.
        shell().holdsInput = false;
        platform::displayActivity().ReportChange();
    }
}

TEST_F(InputHeldNoticeTest, SilentWhileTheGrabIsHeld)
{
    QLabel *notice = NoticeOf<frmNormalLock>();
    ASSERT_NE(notice, nullptr);
    RunTicks(1300);
    EXPECT_FALSE(notice->isVisible());
}

// A lock started by hand whose restart entry cannot be written (a file
// where the autostart folder should be) comes up all the same and says on
// its screen that it will not come back after a restart.
TEST_F(InputHeldNoticeTest, ALockWithoutItsRestartEntrySaysSoOnItsScreen)
{
    QDir().mkpath(configHome());
    WriteBytes(StartupFolder(), "not a folder");
    Information &opener = Forms::Get<Information>();
    opener.show();
    QString said;
    bool shown = false;
    WhenModal<frmNormalLock>([&](frmNormalLock &lock) {
        shown = true;
        QLabel *notice = lock.findChild<QLabel *>("lblNotHeld");
        ASSERT_NE(notice, nullptr);
        ASSERT_EVENTUALLY(notice->isVisible(), 2000);
        said = notice->text();
        EXPECT_GE(notice->height(), notice->heightForWidth(notice->width()));
    });
    testing::internal::CaptureStderr();
    EXPECT_TRUE(StartLockByHand(LockKind::Normal, opener));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(said.contains("will not come back after a restart")) << said.toStdString();
    EXPECT_NE(err.find("could not be written"), std::string::npos) << err;

    // The NT-style lock's screen says it too, below the line about the input.
    shell().holdsInput = false;
    QLabel *notice = NoticeOf<frmBackground>();
    ASSERT_NE(notice, nullptr);
    ASSERT_EVENTUALLY(notice->text().contains("NOT locked"), 5000);
    EXPECT_TRUE(notice->text().contains("will not come back after a restart"));
}

// Once an entry could be placed, the line is gone.
TEST_F(InputHeldNoticeTest, SilentWhenTheRestartEntryIsPlaced)
{
    QDir().mkpath(configHome());
    WriteBytes(StartupFolder(), "not a folder");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(PlaceRestartEntry("Gardlock.exe /n"));
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(QFile::remove(StartupFolder()));
    EXPECT_TRUE(PlaceRestartEntry("Gardlock.exe /n"));
    QLabel *notice = NoticeOf<frmBackground>();
    ASSERT_NE(notice, nullptr);
    RunTicks(300);
    EXPECT_FALSE(notice->isVisible()) << notice->text().toStdString();
}

} // namespace
