#include "rules/GuessThrottle.h"
#include "rules/LockGuard.h"
#include "rules/PasswordStore.h"
#include "lock/frmNormalLock.h"
#include "lock/lock_test_support.h"
#include "platform/autostart/RegStuff.h"
#include "platform/storage/Settings.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/ClockLabel.h"
#include "ui/WindowServices.h"

#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <memory>

using locktest::kHidingSteps;
using locktest::kRestoringSteps;
using testing_support::recorders;
using testing_support::SandboxTest;

namespace {

class NormalLockTest : public SandboxTest {
protected:
    frmNormalLock &lock() { return Forms::Get<frmNormalLock>(); }
    TextBox *box() { return lock().findChild<TextBox *>("txtPassword"); }
    QLabel *invalid() { return lock().findChild<QLabel *>("lblInvalid"); }
    void Verify(const QString &typed)
    {
        box()->setText(typed);
        lock().findChild<QPushButton *>("cmdVerify")->click();
    }
    QByteArray Log() const { return ReadBytes(driveC() + "/intruder.log"); }
    bool Ended() const { return !recorders().session.endings.empty(); }
};

TEST_F(NormalLockTest, LoadHidesTheShellAndLaysOutTheScreen)
{
    frmNormalLock &shown = lock();
    EXPECT_EQ(shell().calls, kHidingSteps);
    EXPECT_EQ(shown.windowTitle(), "Desktop status: Locked");
    EXPECT_TRUE(shown.windowFlags() & Qt::X11BypassWindowManagerHint);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(shown.geometry(), screen);
    EXPECT_EQ(shown.findChild<QWidget *>("picBackground")->geometry(), QRect(QPoint(), screen.size()));
    const QFrame *panel = shown.findChild<QFrame *>("fraPanel");
    EXPECT_EQ(panel->geometry(), QRect(int((screen.width() - 134) / 1.01), 19, 134, 32));
    const ClockLabel *white = shown.findChild<ClockLabel *>("lblClockWhite");
    const ClockLabel *black = shown.findChild<ClockLabel *>("lblClockBlack");
    EXPECT_EQ(white->geometry(), QRect(screen.width() - 129, 2, 129, 12));
    EXPECT_EQ(black->geometry(), QRect(screen.width() - 129, 3, 129, 12));
    EXPECT_EQ(white->text(), "02/09/2001");
    EXPECT_FALSE(invalid()->isVisible());
}

TEST_F(NormalLockTest, TimersKeepTheShellHiddenTheLockOnTopAndTheClockCurrent)
{
    lock().show();
    shell().calls.clear();
    ASSERT_EVENTUALLY(locktest::DisplayChanges() && shell().calls.count("HideStartButton") >= 3, 20000);
    ASSERT_EVENTUALLY(shell().calls.contains("SetWindowLayer"), 20000);
    const ClockLabel *white = lock().findChild<ClockLabel *>("lblClockWhite");
    ASSERT_EVENTUALLY(white->text() != "02/09/2001", 20000);
    EXPECT_TRUE(white->text().contains(QString::number(QDate::currentDate().year())));
    EXPECT_EQ(lock().findChild<ClockLabel *>("lblClockBlack")->text().left(8), white->text().left(8));
}

TEST_F(NormalLockTest, TheBoxTakesFifteenCharactersShownAsL)
{
    lock().show();
    box()->setFocus();
    QTest::keyClicks(box(), "abcdefghijklmnop");
    EXPECT_EQ(box()->text(), "abcdefghijklmno");
    EXPECT_EQ(box()->displayText(), QString(15, 'l'));
}

TEST_F(NormalLockTest, WrongThenRightPasswordLogsOnceThenUnlocks)
{
    ASSERT_TRUE(WritePassword("Secret"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /d"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /t"));
    lock().show();

    Verify("secret"); // letter case counts
    EXPECT_EQ(dialogs().beeps, 1);
    EXPECT_TRUE(dialogs().boxes.empty()); // the Normal lock marks the failure on its own window
    EXPECT_EQ(box()->text(), "");
    EXPECT_EQ(Log().count("An unauthorized person tried to access this system by typing as a password:\r\n"
                          "secret On "),
              1);
    ASSERT_EVENTUALLY(invalid()->isVisible(), 20000);
    EXPECT_FALSE(Ended());

    shell().calls.clear();
    Verify("Secret");
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
    EXPECT_FALSE(Forms::IsLoaded<frmNormalLock>());
    EXPECT_EQ(shell().calls, kRestoringSteps + QStringList{"ScreenSaverRunning(false)"});
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /t"));
    EXPECT_EQ(Log().count(" On "), 1);

    // Nothing ticks after the shell is restored.
    shell().calls.clear();
    QTest::qWait(50);
    EXPECT_TRUE(shell().calls.isEmpty()) << shell().calls.join(",").toStdString();
}

// Records what the screen looked like at the moment of the beep.
class SnoopingDialogs : public testing_support::RecordingDialogs {
public:
    std::function<void()> atBeep;
    void Beep() override
    {
        RecordingDialogs::Beep();
        atBeep();
    }
};

TEST_F(NormalLockTest, TheBeepComesBeforeTheRecordAndTheRecordBeforeTheBoxIsEmptied)
{
    ASSERT_TRUE(WritePassword("x"));
    SnoopingDialogs snoop;
    bool logExistedAtBeep = true;
    QString boxAtBeep;
    snoop.atBeep = [&] {
        logExistedAtBeep = QFile::exists(driveC() + "/intruder.log");
        boxAtBeep = box()->text();
    };
    platform::Services with = testing_support::RecorderServices();
    with.dialogs = &snoop;
    platform::install(with);
    lock().show();
    box()->setFocus();
    QTest::keyClicks(box(), "guess");
    QTest::keyClick(box(), Qt::Key_Return); // Enter presses "&Verify"
    EXPECT_EQ(snoop.beeps, 1);
    EXPECT_FALSE(logExistedAtBeep);
    EXPECT_EQ(boxAtBeep, "guess");
    EXPECT_TRUE(Log().contains("guess On "));
    EXPECT_EQ(box()->text(), "");
    testing_support::ResetRecorders();
}

// Wrong passwords as fast as a program types them: the first four are
// checked and recorded as ever, the next Verify waits. What is typed during
// the wait stays in the box and is checked, once, when the wait is over.
TEST_F(NormalLockTest, FastWrongPasswordsMakeTheNextVerifyWaitAndNothingTypedIsLost)
{
    using namespace std::chrono_literals;
    auto now = std::make_shared<std::chrono::milliseconds>(0);
    PasswordGuesses() = GuessThrottle([now] { return *now; });
    ASSERT_TRUE(WritePassword("Secret"));
    lock().show();
    auto *verify = lock().findChild<QPushButton *>("cmdVerify");
    auto *wait = lock().findChild<QLabel *>("lblWait");

    for (int i = 0; i < GuessThrottle::kFreeGuesses; ++i) {
        EXPECT_TRUE(verify->isEnabled()) << i;
        EXPECT_FALSE(wait->isVisible()) << i;
        Verify(QString("guess%1").arg(i));
    }
    EXPECT_EQ(dialogs().beeps, GuessThrottle::kFreeGuesses);
    EXPECT_FALSE(verify->isEnabled());
    EXPECT_TRUE(wait->isVisible());
    EXPECT_EQ(wait->text(), "Please wait 1 second before trying again.");

    // Enter and a click during the wait: nothing checked, nothing recorded.
    box()->setFocus();
    QTest::keyClicks(box(), "Secret");
    QTest::keyClick(box(), Qt::Key_Return);
    verify->click();
    EXPECT_EQ(box()->text(), "Secret");
    EXPECT_EQ(dialogs().beeps, GuessThrottle::kFreeGuesses);
    EXPECT_FALSE(Ended());

    *now += 1000ms;
    ASSERT_EVENTUALLY(verify->isEnabled(), 5000);
    EXPECT_FALSE(wait->isVisible());
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
    const QByteArray log = Log();
    EXPECT_EQ(log.count(" On "), GuessThrottle::kFreeGuesses);
    for (int i = 0; i < GuessThrottle::kFreeGuesses; ++i)
        EXPECT_EQ(log.count(QString("\r\nguess%1 On ").arg(i).toLatin1()), 1) << i;
    EXPECT_EQ(PasswordGuesses().WrongInARow(), 0); // the right password cleared the count
}

TEST_F(NormalLockTest, MissingPasswordFileBecomesTheEmptyPasswordWithoutUnlocking)
{
    lock().show();
    Verify("anything");
    EXPECT_EQ(ReadBytes(PasswordFilePath()), "\"\"\r\n");
    EXPECT_EQ(dialogs().beeps, 0);
    EXPECT_EQ(box()->text(), "anything");
    EXPECT_FALSE(QFile::exists(driveC() + "/intruder.log"));
    EXPECT_FALSE(Ended());

    Verify("");
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
}

TEST_F(NormalLockTest, UnreadablePasswordFileLeavesTheLockExactlyAsItWas)
{
    QDir().mkpath(PasswordFilePath()); // exists, cannot be read as a file
    lock().show();
    shell().calls.clear();
    Verify("");
    EXPECT_FALSE(Ended());
    EXPECT_TRUE(Forms::IsLoaded<frmNormalLock>());
    EXPECT_EQ(dialogs().beeps, 0);
    EXPECT_FALSE(QFile::exists(driveC() + "/intruder.log"));
    EXPECT_TRUE(QFileInfo(PasswordFilePath()).isDir());
    EXPECT_FALSE(shell().calls.contains("EnableSystemKeys"));
}

TEST_F(NormalLockTest, AFailedRecordKeepsTheTypedText)
{
    ASSERT_TRUE(WritePassword("right"));
    QDir().mkpath(driveC() + "/intruder.log/occupied");
    lock().show();
    Verify("wrong");
    EXPECT_EQ(dialogs().beeps, 1);
    EXPECT_EQ(box()->text(), "wrong");
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Ended());
}

TEST_F(NormalLockTest, PictureBackgroundAndAPathThatIsNoPicture)
{
    const QString picture = home() + "/sky.png";
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(picture));
    ASSERT_TRUE(settings::Write(settings::Background1, picture));
    EXPECT_TRUE(lock().findChild<PictureBox *>("picBackground")->HasPicture());
    Forms::Unload<frmNormalLock>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QString notAPicture = home() + "/notes.png";
    WriteBytes(notAPicture, "not a picture");
    ASSERT_TRUE(settings::Write(settings::Background1, notAPicture));
    shell().calls.clear();
    EXPECT_FALSE(lock().findChild<PictureBox *>("picBackground")->HasPicture());
    EXPECT_EQ(shell().calls, kHidingSteps); // the rest of the load still ran
}

TEST_F(NormalLockTest, CloseRequestsAndStopSignalsDoNotEndTheLock)
{
    const auto before = locktest::HandlerOf(SIGTERM);
    lock().show();
    EXPECT_FALSE(lock().close());
    EXPECT_TRUE(Forms::IsLoaded<frmNormalLock>());
    EXPECT_TRUE(lock().isVisible());
    for (int signal : LockSignalGuard::kSignals)
        ASSERT_EQ(locktest::HandlerOf(signal), SIG_IGN) << signal;
    ::raise(SIGTERM); // ignored: the test goes on
    ::raise(SIGHUP);
    EXPECT_FALSE(shell().calls.contains("EnableSystemKeys"));

    ASSERT_TRUE(WritePassword(""));
    Verify("");
    EXPECT_EQ(locktest::HandlerOf(SIGTERM), before);
}

// Destroying the lock window without unloading it (as when the program is
// torn down) runs no unload step: nothing may restore the shell or drop the
// lock's start-up entry. The display going away is tried end to end.
TEST_F(NormalLockTest, TearingTheWindowDownRunsNothingThatUnlocks)
{
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /d"));
    lock().show();
    shell().calls.clear();
    delete &lock();
    QTest::qWait(20);
    EXPECT_TRUE(shell().calls.isEmpty()) << shell().calls.join(",").toStdString();
    EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_TRUE(recorders().session.endings.empty());
}

} // namespace
