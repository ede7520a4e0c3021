#include "rules/GuessThrottle.h"
#include "rules/LockGuard.h"
#include "rules/NtLockTexts.h"
#include "lock/NtStyleLock.h"
#include "rules/PasswordStore.h"
#include "lock/frmBackground.h"
#include "lock/frmLock.h"
#include "lock/frmVery.h"
#include "lock/lock_test_support.h"
#include "platform/autostart/RegStuff.h"
#include "platform/storage/Settings.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTest>

#include <deque>
#include <memory>

using locktest::kHidingSteps;
using locktest::kRestoringSteps;
using testing_support::recorders;
using testing_support::SandboxTest;

namespace {

const QString kLockHeading =
    QStringLiteral("An unauthorized person tried to access this system by typing as a password:");

// Drives the lock from a timer while ShowNtStyleLock blocks: each step runs
// once its condition holds. A lock that stops answering is torn down after a
// generous deadline, so a fault fails the test instead of hanging it.
class LockDriver {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    void Then(std::function<bool()> ready, std::function<void()> act) { m_steps.push_back({ready, act}); }

    // Runs ShowNtStyleLock to its end; true when every step ran.
    bool Run()
    {
        QTimer timer;
        timer.setInterval(5);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (clock.elapsed() > 60000) {
                timer.stop();
                Forms::DestroyAll(); // ends every modal run, and with it the lock
                return;
            }
            if (!m_steps.empty() && m_steps.front().ready()) {
                const Step step = m_steps.front();
                m_steps.pop_front();
                step.act();
            }
        });
        timer.start();
        ShowNtStyleLock();
        return m_steps.empty();
    }

private:
    std::deque<Step> m_steps;
};

template <class T> bool ModalUp()
{
    const T *form = Forms::IfLoaded<T>();
    return form && form->IsModalShowing() && form->isVisible();
}

// Fires the box's four-second hop timer at once (the box is shown: a hidden
// window's timers hold back).
void Hop(frmLock &box)
{
    box.show();
    for (QTimer *timer : box.findChildren<QTimer *>())
        if (TimerInterval(timer) == 4000)
            QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

void PressCtrlShiftAlt(QWidget *box, Qt::Key key = Qt::Key_A)
{
    QTest::keyClick(box, key, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
}

void Type(const QString &text)
{
    frmVery *prompt = Forms::IfLoaded<frmVery>();
    prompt->findChild<TextBox *>("txtPassword")->setText(text);
}

void Click(const char *button)
{
    Forms::IfLoaded<frmVery>()->findChild<QPushButton *>(button)->click();
}

class NtLockTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        frmLock::SetRandomSource([] { return QRandomGenerator::global()->generateDouble(); });
    }
    QByteArray Log() const { return ReadBytes(driveC() + "/intruder.log"); }
    bool Ended() const { return !recorders().session.endings.empty(); }
    void WriteTexts(const QString &caption)
    {
        ASSERT_TRUE(WriteNtLockTexts({caption, "one", "two\r\nlines", "three"}));
    }
};

TEST_F(NtLockTest, BackgroundHidesTheShellAtLoadAndRestoresItAtUnload)
{
    const QString picture = home() + "/night.png";
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(picture));
    ASSERT_TRUE(settings::Write(settings::Background2, picture));

    frmBackground &background = Forms::Get<frmBackground>();
    EXPECT_EQ(shell().calls, kHidingSteps);
    EXPECT_EQ(background.windowTitle(), "Background");
    EXPECT_EQ(background.geometry(), QGuiApplication::primaryScreen()->geometry());
    const auto *picture_ = background.findChild<PictureBox *>("picBackground");
    EXPECT_TRUE(picture_->HasPicture());
    EXPECT_EQ(picture_->geometry(), QRect(QPoint(), background.size()));

    background.show();
    ASSERT_EVENTUALLY(locktest::DisplayChanges() && shell().calls.count("HideStartButton") >= 3, 20000);
    shell().calls.clear();
    background.Unload();
    EXPECT_EQ(shell().calls, kRestoringSteps + QStringList{"ScreenSaverRunning(false)"});
    QTest::qWait(30);
    EXPECT_EQ(shell().calls.size(), 6); // the shell timer stopped with the unload
}

TEST_F(NtLockTest, BoxLoadsCentredWithTheFileTextsOnlyWhenAllFourRead)
{
    WriteTexts("Mine");
    Forms::Get<frmBackground>();
    shell().calls.clear();
    frmLock &box = Forms::Get<frmLock>();
    EXPECT_EQ(shell().calls, kHidingSteps);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(box.pos(), QPoint((screen.width() - box.width()) / 2, (screen.height() - box.height()) / 2));
    EXPECT_EQ(box.windowTitle(), "Mine");
    EXPECT_EQ(box.findChild<QLabel *>("lblLine2")->text(), "two\nlines");
    box.Unload();

    QFile::remove(NtLockTextFiles().at(2));
    frmLock &again = Forms::Get<frmLock>();
    EXPECT_EQ(again.windowTitle(), "System Locked");
    EXPECT_EQ(again.findChild<QLabel *>("lblLine1")->text(), "This PC is in use and has been locked.");
    EXPECT_EQ(again.findChild<QLabel *>("lblLine2")->text(), "The PC can be unlocked by an authorized user.");
    EXPECT_EQ(again.findChild<QLabel *>("lblLine3")->text(), "Press Control + Shift + Alt to Unlock");
}

TEST_F(NtLockTest, HopsStayInTheUpperLeftQuarterAndDrawYBeforeX)
{
    frmBackground &background = Forms::Get<frmBackground>();
    frmLock &box = Forms::Get<frmLock>();
    const QSize size = background.size();
    const QSize boxSize = box.size();

    // Drawn in order: the first number decides the top, the second the left.
    std::deque<double> draws{0.5, 0.25};
    frmLock::SetRandomSource([&] {
        const double r = draws.front();
        draws.pop_front();
        return r;
    });
    Hop(box);
    EXPECT_EQ(box.pos(), QPoint(int(0.25 * size.width() / 2), int(0.5 * size.height() / 2)));
    EXPECT_EQ(box.size(), boxSize);

    std::deque<double> extremes{0.0, 0.0, 0.999999999, 0.999999999};
    frmLock::SetRandomSource([&] {
        const double r = extremes.front();
        extremes.pop_front();
        return r;
    });
    Hop(box);
    EXPECT_EQ(box.pos(), QPoint(0, 0));
    Hop(box);
    EXPECT_LT(box.x(), size.width() / 2.0);
    EXPECT_LT(box.y(), size.height() / 2.0);

    frmLock::SetRandomSource([] { return QRandomGenerator::global()->generateDouble(); });
    for (int i = 0; i < 2000; ++i) {
        Hop(box);
        ASSERT_GE(box.x(), 0);
        ASSERT_GE(box.y(), 0);
        ASSERT_LT(box.x(), size.width() / 2.0);
        ASSERT_LT(box.y(), size.height() / 2.0);
    }
}

TEST_F(NtLockTest, OnlyAllThreeModifiersTogetherLeaveTheBox)
{
    Forms::Get<frmBackground>();
    frmLock &box = Forms::Get<frmLock>();
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&box, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier | Qt::AltModifier);
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(Forms::IsLoaded<frmLock>());

    // The window system reports the state before the key; Qt adds the key's own modifier.
    QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(&box, &altDown);
    EXPECT_FALSE(Forms::IsLoaded<frmLock>());

    // With Shift held, X11 reports the Alt key as Meta.
    frmLock &shifted = Forms::Get<frmLock>();
    QKeyEvent metaDown(QEvent::KeyPress, Qt::Key_Meta, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(&shifted, &metaDown);
    EXPECT_FALSE(Forms::IsLoaded<frmLock>());

    frmLock &next = Forms::Get<frmLock>();
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ControlModifier);
    QApplication::sendEvent(&next, &shiftDown); // Ctrl and now Shift, but no Alt
    EXPECT_TRUE(Forms::IsLoaded<frmLock>());
    PressCtrlShiftAlt(&next, Qt::Key_Q);
    EXPECT_FALSE(Forms::IsLoaded<frmLock>());
}

TEST_F(NtLockTest, BoxPromptCancelCyclesLeaveNothingBehindAndReReadTheTexts)
{
    ASSERT_TRUE(WritePassword("pass"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /n"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /w"));
    LockDriver driver;
    QStringList captions;
    std::vector<int> liveBoxes;
    constexpr int kRounds = 6;
    for (int round = 0; round < kRounds; ++round) {
        driver.Then(ModalUp<frmLock>, [&, round] {
            frmLock *box = Forms::IfLoaded<frmLock>();
            captions << box->windowTitle();
            liveBoxes.push_back(locktest::LiveWindowsNamed("frmLock") +
                                locktest::LiveWindowsNamed("frmVery"));
            WriteTexts(QString("Round %1").arg(round + 1)); // shows at the next box
            PressCtrlShiftAlt(box);
        });
        driver.Then(ModalUp<frmVery>, [] {
            EXPECT_FALSE(Forms::IsLoaded<frmLock>());
            frmVery *prompt = Forms::IfLoaded<frmVery>();
            EXPECT_EQ(prompt->focusWidget(), prompt->findChild<TextBox *>("txtPassword"));
            Click("cmdCancel");
        });
    }
    driver.Then(ModalUp<frmLock>, [] { PressCtrlShiftAlt(Forms::IfLoaded<frmLock>()); });
    driver.Then(ModalUp<frmVery>, [this] {
        shell().calls.clear();
        Type("pass");
        Click("cmdVerify");
    });
    ASSERT_TRUE(driver.Run());

    EXPECT_EQ(captions.first(), "System Locked");
    for (int round = 1; round < kRounds; ++round)
        EXPECT_EQ(captions[round], QString("Round %1").arg(round));
    for (int live : liveBoxes)
        EXPECT_EQ(live, 1); // only the box on screen; earlier boxes and prompts are gone
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
    EXPECT_EQ(shell().calls, kRestoringSteps + kRestoringSteps + QStringList{"ScreenSaverRunning(false)"});
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /n"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /w"));
    EXPECT_FALSE(Forms::IsLoaded<frmBackground>());
    EXPECT_EQ(locktest::LiveWindowsNamed("frmLock") + locktest::LiveWindowsNamed("frmVery") +
                  locktest::LiveWindowsNamed("frmBackground"),
              0);
}

TEST_F(NtLockTest, WrongPasswordsAreLoggedAndAnsweredWithTwoMessagesEachTime)
{
    ASSERT_TRUE(WritePassword("abc"));
    LockDriver driver;
    driver.Then(ModalUp<frmLock>, [] { PressCtrlShiftAlt(Forms::IfLoaded<frmLock>()); });
    for (const char *wrong : {"ABC", "", "abcd"}) {
        driver.Then(ModalUp<frmVery>, [wrong] {
            Type(wrong);
            Click("cmdVerify");
            EXPECT_EQ(Forms::IfLoaded<frmVery>()->findChild<TextBox *>("txtPassword")->text(), "");
        });
    }
    driver.Then(ModalUp<frmVery>, [] {
        Type("abc");
        Click("cmdVerify");
    });
    ASSERT_TRUE(driver.Run());

    QStringList expected;
    for (int i = 0; i < 3; ++i)
        expected << "beep"
                 << "box:Password is incorrect."
                 << "box:This unauthorized access has been logged.";
    EXPECT_EQ(dialogs().events, expected);
    ASSERT_EQ(dialogs().boxes.size(), 6u);
    EXPECT_EQ(dialogs().boxes[0].title, "Access Denied!");
    EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(dialogs().boxes[1].title, "Gardlock 2001");
    EXPECT_EQ(dialogs().boxes[1].icon, platform::MsgIcon::Exclamation);
    const QByteArray log = Log();
    EXPECT_EQ(log.count(kLockHeading.toLatin1()), 3);
    EXPECT_TRUE(log.contains("\r\nABC On "));
    EXPECT_TRUE(log.contains("\r\n On "));
    EXPECT_TRUE(log.contains("\r\nabcd On "));
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
}

// The wait after fast wrong passwords belongs to the process, not to one
// prompt: "&Cancel" and a new prompt do not end it. The password typed during
// it is kept and unlocks once the wait is over.
TEST_F(NtLockTest, AWaitAfterWrongPasswordsHoldsAtTheNextPrompt)
{
    using namespace std::chrono_literals;
    auto now = std::make_shared<std::chrono::milliseconds>(0);
    PasswordGuesses() = GuessThrottle([now] { return *now; });
    ASSERT_TRUE(WritePassword("abc"));
    LockDriver driver;
    driver.Then(ModalUp<frmLock>, [] { PressCtrlShiftAlt(Forms::IfLoaded<frmLock>()); });
    for (int i = 0; i < GuessThrottle::kFreeGuesses; ++i)
        driver.Then(ModalUp<frmVery>, [] {
            Type("wrong");
            Click("cmdVerify");
        });
    driver.Then(ModalUp<frmVery>, [] { Click("cmdCancel"); });
    driver.Then(ModalUp<frmLock>, [] { PressCtrlShiftAlt(Forms::IfLoaded<frmLock>()); });
    driver.Then(ModalUp<frmVery>, [this, now] {
        frmVery *prompt = Forms::IfLoaded<frmVery>();
        EXPECT_FALSE(prompt->findChild<QPushButton *>("cmdVerify")->isEnabled());
        EXPECT_EQ(prompt->findChild<QLabel *>("lblWait")->text(),
                  "Please wait 1 second before trying again.");
        Type("abc");
        QTest::keyClick(prompt->findChild<TextBox *>("txtPassword"), Qt::Key_Return);
        EXPECT_FALSE(Ended());
        EXPECT_EQ(prompt->findChild<TextBox *>("txtPassword")->text(), "abc");
        *now += 1000ms;
    });
    driver.Then(
        [] {
            const frmVery *prompt = Forms::IfLoaded<frmVery>();
            return prompt && prompt->findChild<QPushButton *>("cmdVerify")->isEnabled();
        },
        [] { Click("cmdVerify"); });
    ASSERT_TRUE(driver.Run());

    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
    EXPECT_EQ(Log().count(kLockHeading.toLatin1()), GuessThrottle::kFreeGuesses);
    EXPECT_EQ(dialogs().beeps, GuessThrottle::kFreeGuesses);
    EXPECT_EQ(dialogs().boxes.size(), 2u * GuessThrottle::kFreeGuesses);
}

TEST_F(NtLockTest, MissingUnreadableAndUnloggablePathsKeepThePromptUp)
{
    LockDriver driver;
    driver.Then(ModalUp<frmLock>, [] { PressCtrlShiftAlt(Forms::IfLoaded<frmLock>()); });
    driver.Then(ModalUp<frmVery>, [this] {
        // A password file that exists but cannot be read: nothing happens at all.
        QDir().mkpath(PasswordFilePath());
        Type("typed");
        Click("cmdVerify");
        EXPECT_FALSE(Ended());
        EXPECT_EQ(dialogs().beeps, 0);
        EXPECT_TRUE(QFileInfo(PasswordFilePath()).isDir());

        // No password file: the empty password is created, nothing else.
        QDir(PasswordFilePath()).removeRecursively();
        Click("cmdVerify");
        EXPECT_EQ(ReadBytes(PasswordFilePath()), "\"\"\r\n");
        EXPECT_EQ(Forms::IfLoaded<frmVery>()->findChild<TextBox *>("txtPassword")->text(), "typed");

        // A wrong password whose record cannot be written: the click ends at the beep.
        QDir().mkpath(driveC() + "/intruder.log/occupied");
        Click("cmdVerify");
        EXPECT_EQ(dialogs().beeps, 1);
        EXPECT_TRUE(dialogs().boxes.empty());
        EXPECT_EQ(Forms::IfLoaded<frmVery>()->findChild<TextBox *>("txtPassword")->text(), "typed");
        EXPECT_FALSE(Ended());
        Type("");
        Click("cmdVerify"); // the empty password now unlocks
    });
    ASSERT_TRUE(driver.Run());
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
}

TEST_F(NtLockTest, ClosingAnyLockWindowOrSignallingTheProgramDoesNotUnlock)
{
    ASSERT_TRUE(WritePassword("pw"));
    const auto before = locktest::HandlerOf(SIGTERM);
    LockDriver driver;
    auto refuseCloses = [this] {
        for (Form *window : std::initializer_list<Form *>{
                 Forms::IfLoaded<frmBackground>(), Forms::IfLoaded<frmLock>(), Forms::IfLoaded<frmVery>()})
            if (window) {
                EXPECT_FALSE(window->close()) << window->objectName().toStdString();
            }
        EXPECT_FALSE(shell().calls.contains("EnableSystemKeys"));
        for (int signal : LockSignalGuard::kSignals)
            ASSERT_EQ(locktest::HandlerOf(signal), SIG_IGN) << signal;
        ::raise(SIGTERM);
        ::raise(SIGINT);
    };
    driver.Then(ModalUp<frmLock>, [&] {
        refuseCloses();
        EXPECT_TRUE(Forms::IsLoaded<frmLock>());
        PressCtrlShiftAlt(Forms::IfLoaded<frmLock>());
    });
    driver.Then(ModalUp<frmVery>, [&] {
        refuseCloses();
        EXPECT_TRUE(Forms::IsLoaded<frmVery>());
        Type("pw");
        Click("cmdVerify");
    });
    ASSERT_TRUE(driver.Run());
    EXPECT_EQ(recorders().session.endings, std::vector<int>{0});
    EXPECT_EQ(locktest::HandlerOf(SIGTERM), before);
}

TEST_F(NtLockTest, PromptTakesFifteenCharactersShownAsHyphens)
{
    frmVery &prompt = Forms::Get<frmVery>();
    prompt.show();
    auto *box = prompt.findChild<TextBox *>("txtPassword");
    box->setFocus();
    QTest::keyClicks(box, "0123456789abcdef");
    EXPECT_EQ(box->text(), "0123456789abcde");
    EXPECT_EQ(box->displayText(), QString(15, '-'));
    EXPECT_EQ(prompt.windowTitle(), "Start Logon");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(prompt.pos(),
              QPoint((screen.width() - prompt.width()) / 2, (screen.height() - prompt.height()) / 2));
    shell().calls.clear();
    ASSERT_EVENTUALLY(locktest::DisplayChanges() && shell().calls.contains("SetWindowLayer"), 20000); // its own layer timer
}

} // namespace
