// The uninstall guard: what load switches, the outcomes of "&Uninstall" for
// each state of the password file, the order of messages and record, and
// "&Cancel".

#include "rules/GuessThrottle.h"
#include "rules/IntruderLog.h"
#include "rules/PasswordStore.h"
#include "uninstall/frmUninstall.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace testing_support;
using platform::MsgIcon;

namespace {

const QString kDenied = QStringLiteral("Password is incorrect.");
const QString kLogged = QStringLiteral("This unauthorized access has been logged.");

class UninstallTest : public SandboxTest {
protected:
    frmUninstall &Open()
    {
        frmUninstall &form = Forms::Get<frmUninstall>();
        form.show();
        return form;
    }
    // The shell calls made since the guard loaded, without the grab's retries.
    QStringList ShellCallsAfterLoad() const
    {
        QStringList calls = recorders().shell.calls.mid(2);
        calls.removeAll("DisableSystemKeys");
        return calls;
    }
    int Records() const
    {
        return QString::fromLatin1(ReadBytes(IntruderLogPath())).count(headings::kUninstall);
    }
};

TEST_F(UninstallTest, LoadHoldsTheKeysAndLeavesTheShellAlone)
{
    frmUninstall &form = Open();
    EXPECT_EQ(shell().calls.mid(0, 2), (QStringList{"DisableSystemKeys", "ScreenSaverRunning(true)"}));
    EXPECT_TRUE(ShellCallsAfterLoad().isEmpty());
    EXPECT_EQ(form.windowTitle(), "Gardlock 2001 Uninstall");
    // 5415 by 3720 twips, and one line below for the keyboard notes.
    EXPECT_EQ(form.width(), 361);
    EXPECT_GT(form.height(), 248);
    EXPECT_LE(form.height(), 248 + 24);
    EXPECT_EQ(form.txtPassword->maxLength(), 15);
    EXPECT_EQ(form.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(form.cmdUninstall->isDefault());
    EXPECT_EQ(form.cmdUninstall->text(), "&Uninstall");
    EXPECT_EQ(form.cmdCancel->text(), "&Cancel");
    EXPECT_FALSE(form.cmdUninstall->icon().isNull());

    // A close request from the window system is refused.
    form.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Forms::IsLoaded<frmUninstall>());
    EXPECT_TRUE(session().endings.empty());
}

TEST_F(UninstallTest, UninstallOutcomesForEachPasswordFile)
{
    enum class File { Stored, Missing, Directory };
    struct Case {
        const char *name;
        File file;
        QByteArray stored;
        QString typed;
        std::vector<int> endings;
        QStringList events; // bells and message boxes, in order
        int records;
        QString boxAfter;
        QStringList shellAfter;
    } cases[] = {
        {"right",
         File::Stored,
         "\"Secret\"\r\n",
         "Secret",
         {0},
         {},
         0,
         "Secret",
         {"EnableSystemKeys", "ScreenSaverRunning(false)"}},
        {"empty password, empty box",
         File::Stored,
         "\"\"\r\n",
         "",
         {0},
         {},
         0,
         "",
         {"EnableSystemKeys", "ScreenSaverRunning(false)"}},
        {"wrong case",
         File::Stored,
         "\"Secret\"\r\n",
         "secret",
         {},
         {"beep", "box:" + kDenied, "box:" + kLogged},
         1,
         "",
         {}},
        {"empty box against a password",
         File::Stored,
         "\"Secret\"\r\n",
         "",
         {},
         {"beep", "box:" + kDenied, "box:" + kLogged},
         1,
         "",
         {}},
        {"no password file", File::Missing, {}, "guess", {}, {}, 0, "guess", {}},
        {"zero-byte password file", File::Stored, "", "guess", {}, {}, 0, "guess", {}},
        {"unreadable password file", File::Directory, {}, "guess", {}, {}, 0, "guess", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.file == File::Stored)
            WriteBytes(PasswordFilePath(), c.stored);
        if (c.file == File::Directory) {
            ASSERT_TRUE(QDir().mkpath(PasswordFilePath()));
        }
        frmUninstall &form = Open();
        form.txtPassword->setText(c.typed);
        form.onUninstallClick();
        EXPECT_EQ(session().endings, c.endings);
        EXPECT_EQ(dialogs().events, c.events);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(session().logOffs, 0);
        EXPECT_EQ(ShellCallsAfterLoad(), c.shellAfter);
        if (c.endings.empty()) {
            EXPECT_TRUE(Forms::IsLoaded<frmUninstall>());
            EXPECT_EQ(form.txtPassword->text(), c.boxAfter);
        } else {
            EXPECT_FALSE(Forms::IsLoaded<frmUninstall>());
        }
    }
}

TEST_F(UninstallTest, WrongPasswordMessagesComeBeforeTheRecordWithTheirIconsAndTitles)
{
    WriteBytes(PasswordFilePath(), "\"Secret\"\r\n");
    // Notes, at each message box, whether the record was already written and
    // what the box held.
    struct Watcher : RecordingDialogs {
        QStringList seen;
        QLineEdit *box = nullptr;
        platform::MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title,
                                       platform::MsgButtons buttons, MsgIcon icon) override
        {
            seen << QString("%1 log=%2 box=%3")
                        .arg(title)
                        .arg(QFileInfo::exists(IntruderLogPath()) ? "yes" : "no")
                        .arg(box->text());
            return RecordingDialogs::MessageBox(owner, text, title, buttons, icon);
        }
    } watcher;
    platform::Services with = testing_support::RecorderServices();
    with.dialogs = &watcher;
    platform::install(with);
    frmUninstall &form = Open();
    watcher.box = form.txtPassword;
    form.txtPassword->setText("guess");
    form.onUninstallClick();
    platform::install(testing_support::RecorderServices());

    EXPECT_EQ(watcher.seen,
              (QStringList{"Access Denied! log=no box=guess", "Gardlock 2001 log=no box=guess"}));
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(watcher.boxes[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(watcher.beeps, 1);
    const QString log = QString::fromLatin1(ReadBytes(IntruderLogPath()));
    EXPECT_TRUE(log.startsWith(headings::kUninstall + "\r\nguess On ")) << log.toStdString();
    EXPECT_TRUE(form.txtPassword->text().isEmpty());
}

TEST_F(UninstallTest, ThreeWrongPasswordsGiveThreeRecordsAndSixMessagesWithoutLockOut)
{
    WriteBytes(PasswordFilePath(), "\"Secret\"\r\n");
    frmUninstall &form = Open();
    for (const char *guess : {"one", "two", "three"}) {
        form.txtPassword->setText(guess);
        form.onUninstallClick();
    }
    EXPECT_EQ(Records(), 3);
    EXPECT_EQ(dialogs().boxes.size(), 6u);
    EXPECT_EQ(dialogs().beeps, 3);
    form.txtPassword->setText("Secret");
    form.onUninstallClick();
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

// The guard counts wrong passwords as the locks do: after four in a row the
// next "&Uninstall" waits, and during the wait nothing is checked or recorded.
TEST_F(UninstallTest, FastWrongPasswordsMakeTheNextUninstallWait)
{
    WriteBytes(PasswordFilePath(), "\"Secret\"\r\n");
    auto now = std::make_shared<std::chrono::milliseconds>(0);
    PasswordGuesses() = GuessThrottle([now] { return *now; });
    frmUninstall &form = Open();
    for (int i = 0; i < GuessThrottle::kFreeGuesses; ++i) {
        form.txtPassword->setText("guess");
        form.onUninstallClick();
    }
    EXPECT_FALSE(form.cmdUninstall->isEnabled());
    EXPECT_TRUE(form.lblWait->isVisible());
    form.txtPassword->setText("Secret");
    form.onUninstallClick();
    EXPECT_TRUE(session().endings.empty());
    EXPECT_EQ(Records(), GuessThrottle::kFreeGuesses);
    EXPECT_EQ(dialogs().boxes.size(), 2u * GuessThrottle::kFreeGuesses);
    EXPECT_EQ(form.txtPassword->text(), "Secret");

    *now += std::chrono::milliseconds(1000);
    form.onUninstallClick();
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

TEST_F(UninstallTest, RecordThatCannotBeWrittenKeepsTheBoxAndTheLog)
{
    WriteBytes(PasswordFilePath(), "\"Secret\"\r\n");
    ASSERT_TRUE(QDir().mkpath(IntruderLogPath())); // a folder where the log should be
    frmUninstall &form = Open();
    form.txtPassword->setText("guess");
    form.onUninstallClick();
    EXPECT_EQ(dialogs().boxes.size(), 2u);
    EXPECT_EQ(form.txtPassword->text(), "guess");
    EXPECT_TRUE(QFileInfo(IntruderLogPath()).isDir());
    EXPECT_TRUE(Forms::IsLoaded<frmUninstall>());
}

TEST_F(UninstallTest, EnterPressesUninstallAndTheBoxTakesFifteenCharacters)
{
    WriteBytes(PasswordFilePath(), "\"123456789012345\"\r\n");
    frmUninstall &form = Open();
    QTest::keyClicks(form.txtPassword, "1234567890123456");
    EXPECT_EQ(form.txtPassword->text(), "123456789012345");
    QTest::keyClick(form.txtPassword, Qt::Key_Return);
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

TEST_F(UninstallTest, CancelAsksForTheLogOffAndEndsAtOnceWithItsOwnStatus)
{
    WriteBytes(PasswordFilePath(), "\"Secret\"\r\n");
    frmUninstall &form = Open();
    form.txtPassword->setText("whatever");
    QTest::mouseClick(form.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(session().logOffs, 1);
    EXPECT_EQ(session().endings, std::vector<int>{frmUninstall::kUninstallCancelled});
    EXPECT_NE(frmUninstall::kUninstallCancelled, frmUninstall::kUninstallAllowed);
    // The switch stays on and nothing is recorded or shown.
    EXPECT_TRUE(ShellCallsAfterLoad().isEmpty());
    EXPECT_TRUE(dialogs().events.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(IntruderLogPath()));
}

} // namespace
