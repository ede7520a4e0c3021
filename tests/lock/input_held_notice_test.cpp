#include "lock/frmBackground.h"
#include "lock/frmNormalLock.h"
#include "support/Sandbox.h"

#include <QLabel>
#include <QTest>

using testing_support::SandboxTest;

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
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 5000); // at the next tick
        shell().holdsInput = false;
    }
}

TEST_F(InputHeldNoticeTest, SilentWhileTheGrabIsHeld)
{
    QLabel *notice = NoticeOf<frmNormalLock>();
    ASSERT_NE(notice, nullptr);
    RunTicks(1300);
    EXPECT_FALSE(notice->isVisible());
}

} // namespace
