// The Log Viewer: loading the log, the two arrangements and the stored lock
// state, Unlock with its password check, Clear, Refresh, the exits, the
// information icon, the navigation and the dialogs it opens.

#include "support/FakePrintSystem.h"

#include "rules/IntruderLog.h"
#include "rules/PasswordStore.h"
#include "intruderlog/LogView.h"
#include "intruderlog/frmLogBackup.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "intruderlog/frmPrtDlg.h"
#include "platform/storage/Settings.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

using namespace testing_support;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

const QString kNotice =
    QStringLiteral("This information is not available because this screen has been locked. "
                   "Unlock this screen to display this information.");

class LogViewerTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        InstallPrinters();
    }
    void TearDown() override
    {
        SandboxTest::TearDown();
        platform::install(testing_support::RecorderServices());
    }
    // The recorders' services with this fixture's printers; again after any
    // ResetRecorders().
    void InstallPrinters()
    {
        platform::Services with = testing_support::RecorderServices();
        with.printers = &printers;
        platform::install(with);
    }

    frmLogViewer &Open()
    {
        frmLogViewer &form = Forms::Get<frmLogViewer>();
        form.show();
        return form;
    }
    void WriteLog(const QByteArray &bytes) { WriteBytes(IntruderLogPath(), bytes); }
    void StorePassword(const QByteArray &fileBytes) { WriteBytes(PasswordFilePath(), fileBytes); }
    static QString State() { return settings::Read(settings::ViewLogStatus); }
    static void ExpectUnlocked(frmLogViewer &form)
    {
        for (QPushButton *b : {form.cmdClearLog, form.cmdRefresh, form.cmdBackup, form.cmdPrint}) {
            EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
            EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
        }
        EXPECT_TRUE(form.lblLockScreen->isVisible());
        EXPECT_FALSE(form.lblUnlockScreen->isVisible());
        EXPECT_FALSE(form.lblPassword->isVisible());
        EXPECT_FALSE(form.txtPassword->isVisible());
        EXPECT_FALSE(form.IsLocked());
    }
    static void ExpectLocked(frmLogViewer &form)
    {
        for (QPushButton *b : {form.cmdClearLog, form.cmdRefresh, form.cmdBackup, form.cmdPrint}) {
            EXPECT_FALSE(b->isVisible()) << b->text().toStdString();
            EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
        }
        EXPECT_FALSE(form.lblLockScreen->isVisible());
        EXPECT_TRUE(form.lblUnlockScreen->isVisible());
        EXPECT_TRUE(form.lblPassword->isVisible());
        EXPECT_TRUE(form.txtPassword->isVisible());
        EXPECT_EQ(form.rtbLog->Text(), kNotice);
        EXPECT_TRUE(form.IsLocked());
    }

    FakePrintSystem printers;
};

TEST_F(LogViewerTest, ControlsCarryTheirCaptionsAndTips)
{
    frmLogViewer &form = Open();
    EXPECT_EQ(form.windowTitle(), "Log Viewer - Gardlock 2001");
    struct Case {
        QPushButton *button;
        const char *caption, *tip;
    } cases[] = {
        {form.cmdClearLog, "&Clear Log", "this will clean and delete the existing log file in hard drive"},
        {form.cmdRefresh, "&Refresh", "this will refresh the existing log file in hard drive"},
        {form.cmdBackup, "&Backup...",
         "this will help you make a backup of the existing log file in hard drive"},
        {form.cmdPrint, "&Print...", "this will bring the print options dialog box"},
        {form.cmdExit, "&Exit", "Click here to exit the program"},
        {form.cmdExitAtOnce, "&Exit", "Click here to exit."},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.button->text(), c.caption);
        EXPECT_EQ(c.button->toolTip(), c.tip);
    }
    EXPECT_EQ(form.lblLockScreen->text(), "Lock screen");
    EXPECT_EQ(form.lblUnlockScreen->text(), "Unlock screen");
    EXPECT_EQ(form.lblLockScreen->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form.lblUnlockScreen->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form.lblUnlockScreen->geometry(), form.lblLockScreen->geometry());
    EXPECT_EQ(form.lblPassword->text(), "Password:");
    EXPECT_TRUE(form.lblExplanation->text().startsWith("In the window that appears next to this text"));
    EXPECT_TRUE(form.rtbLog->txtMessage->isReadOnly());
    EXPECT_EQ(form.rtbLog->lstLines->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form.navBar->lblViewLog->text(), "View log  |");
    EXPECT_EQ(form.navBar->lblHelp->toolTip(), "displays program information");
}

TEST_F(LogViewerTest, PasswordBoxMasksWithDashesAndHasNoLengthLimit)
{
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    const QString longText(40, QChar('x'));
    form.txtPassword->setFocus();
    QTest::keyClicks(form.txtPassword, longText);
    EXPECT_EQ(form.txtPassword->text(), longText);
    EXPECT_EQ(form.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                   form.txtPassword),
              '-');
}

TEST_F(LogViewerTest, NoLogFileShowsEmptyInTheUnlockedArrangement)
{
    frmLogViewer &form = Open();
    EXPECT_EQ(form.rtbLog->Text(), "[Empty]");
    ExpectUnlocked(form);
    EXPECT_EQ(State(), "Unlocked"); // read with its default, not written
    EXPECT_FALSE(QFile::exists(configHome() + "/DW2001.conf"));
}

TEST_F(LogViewerTest, LoadShowsTheWholeFileInFileOrderDecodedFromWindows1252)
{
    WriteLog("first\r\n\x80 caf\xe9\r\n\r\nlast line\r\n");
    frmLogViewer &form = Open();
    EXPECT_EQ(form.rtbLog->Text(), QString::fromUtf8("first\n€ café\n\nlast line\n"));
    ExpectUnlocked(form);
}

TEST_F(LogViewerTest, RecordsAppendedByThePasswordChecksShowWithTheNewestAtTheBottom)
{
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "one"));
    ASSERT_TRUE(AppendIntruderRecord(headings::kUninstall, "two"));
    frmLogViewer &form = Open();
    const QStringList lines = form.rtbLog->Text().split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], headings::kLock);
    EXPECT_TRUE(lines[1].startsWith("one On "));
    EXPECT_EQ(lines[3], headings::kUninstall);
    EXPECT_TRUE(lines[4].startsWith("two On "));
    EXPECT_TRUE(lines[4].endsWith("."));
}

TEST_F(LogViewerTest, StoredLockedStateIsAppliedAtLoad)
{
    WriteLog("secret record\r\n");
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    frmLogViewer &form = Open();
    ExpectLocked(form);
    EXPECT_TRUE(form.txtPassword->text().isEmpty());
    EXPECT_EQ(State(), "Locked");
}

TEST_F(LogViewerTest, StoredLockedStateIsAppliedEvenWithoutALogFile)
{
    // A locked viewer stays locked, with or without a log file.
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    frmLogViewer &form = Open();
    ExpectLocked(form);
}

TEST_F(LogViewerTest, AnyOtherStoredStateMeansUnlocked)
{
    WriteLog("record\r\n");
    for (const char *stored : {"Unlocked", "locked", "", "yes"}) {
        SCOPED_TRACE(stored);
        Forms::DestroyAll();
        ASSERT_TRUE(settings::Write(settings::ViewLogStatus, stored));
        frmLogViewer &form = Open();
        ExpectUnlocked(form);
        EXPECT_EQ(form.rtbLog->Text(), "record\n");
    }
}

TEST_F(LogViewerTest, LockNeedsNoPasswordAndLeavesTheLogFileAlone)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    form.txtPassword->setText("left over");
    QTest::mouseClick(form.lblLockScreen, Qt::LeftButton);
    ExpectLocked(form);
    EXPECT_TRUE(form.txtPassword->text().isEmpty());
    EXPECT_EQ(State(), "Locked");
    EXPECT_EQ(ReadBytes(IntruderLogPath()), "record\r\n");
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(LogViewerTest, ALockedViewerComesUpLockedAtItsNextLoadAndAfterARestart)
{
    WriteLog("record\r\n");
    Open().onLockScreenClick();
    Forms::Get<frmLogViewer>().Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ExpectLocked(Open());
    // A new run reads the settings file afresh.
    Forms::DestroyAll();
    EXPECT_TRUE(ReadBytes(configHome() + "/DW2001.conf").contains("Status=Locked"));
    ExpectLocked(Open());
}

TEST_F(LogViewerTest, HidingAndShowingKeepsTheArrangement)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    QTest::mouseClick(form.navBar->lblHome, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Unlocked")); // read at load only
    QTest::mouseClick(Forms::Get<frmMain>().lblViewLog, Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    ExpectLocked(form);
}

TEST_F(LogViewerTest, RightPasswordUnlocksAndShowsTheLog)
{
    StorePassword("\"Secret\"\r\n");
    WriteLog("record\r\n");
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    frmLogViewer &form = Open();
    form.txtPassword->setText("Secret");
    QTest::mouseClick(form.lblUnlockScreen, Qt::LeftButton);
    ExpectUnlocked(form);
    EXPECT_EQ(form.rtbLog->Text(), "record\n");
    EXPECT_EQ(State(), "Unlocked");
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(dialogs().beeps, 0);
    EXPECT_EQ(ReadBytes(IntruderLogPath()), "record\r\n");
    EXPECT_TRUE(form.txtPassword->text().isEmpty()); // no password left in a hidden box
}

// Notes, at every message box, how many bytes the intruder log holds.
class LogWatchingDialogs : public RecordingDialogs {
public:
    QList<qint64> logSizes;
    MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title, MsgButtons buttons,
                         MsgIcon icon) override
    {
        logSizes << QFileInfo(IntruderLogPath()).size();
        return RecordingDialogs::MessageBox(owner, text, title, buttons, icon);
    }
};

TEST_F(LogViewerTest, WrongPasswordIsRecordedBeforeTwoMessageBoxesAndTheScreenStaysLocked)
{
    LogWatchingDialogs watching;
    platform::Services with = testing_support::RecorderServices();
    with.dialogs = &watching;
    with.printers = &printers;
    platform::install(with);
    StorePassword("\"Secret\"\r\n");
    WriteLog("old\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    form.txtPassword->setText("secret");
    QTest::mouseClick(form.lblUnlockScreen, Qt::LeftButton);
    ResetRecorders();
    InstallPrinters();

    ASSERT_EQ(watching.events, QStringList({"beep", "box:Password is incorrect.",
                                            "box:This unauthorized access has been logged."}));
    EXPECT_EQ(watching.boxes[0].title, "Access Denied!");
    EXPECT_EQ(watching.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(watching.boxes[0].buttons, MsgButtons::OK);
    EXPECT_EQ(watching.boxes[1].title, "Gardlock 2001");
    EXPECT_EQ(watching.boxes[1].icon, MsgIcon::Exclamation);
    const QByteArray log = ReadBytes(IntruderLogPath());
    EXPECT_EQ(watching.logSizes, QList<qint64>({log.size(), log.size()}));

    ASSERT_TRUE(log.startsWith("old\r\n"));
    const QList<QByteArray> lines = log.mid(5).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "A user tried to unlock the VIEW LOG screen by typing as a password:\r");
    EXPECT_TRUE(lines[1].startsWith("secret On ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(".\r"));
    EXPECT_EQ(lines[2], "\r");
    EXPECT_EQ(lines[3], "");

    EXPECT_TRUE(form.txtPassword->text().isEmpty());
    ExpectLocked(form);
    EXPECT_EQ(State(), "Locked");
}

TEST_F(LogViewerTest, EveryWrongAttemptIsRecordedWithoutALimit)
{
    StorePassword("\"pw\"\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    for (int i = 0; i < 5; ++i) {
        form.txtPassword->setText(QString("try%1").arg(i));
        form.onUnlockScreenClick();
    }
    EXPECT_EQ(dialogs().boxes.size(), 10u);
    EXPECT_EQ(ReadBytes(IntruderLogPath()).count("VIEW LOG"), 5);
    form.txtPassword->setText("pw");
    form.onUnlockScreenClick();
    ExpectUnlocked(form);
}

TEST_F(LogViewerTest, AnEmptyBoxUnlocksExactlyWhenTheStoredPasswordIsEmpty)
{
    struct Case {
        QByteArray stored;
        bool unlocks;
    } cases[] = {{"\"\"\r\n", true}, {"\"x\"\r\n", false}, {"\" \"\r\n", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        Forms::DestroyAll();
        ResetRecorders();
        InstallPrinters();
        StorePassword(c.stored);
        frmLogViewer &form = Open();
        form.onLockScreenClick();
        form.onUnlockScreenClick();
        EXPECT_EQ(!form.IsLocked(), c.unlocks);
        EXPECT_EQ(dialogs().boxes.size(), c.unlocks ? 0u : 2u);
    }
}

TEST_F(LogViewerTest, WithoutAPasswordFileTheEmptyPasswordIsWrittenAndTheScreenUnlocks)
{
    for (const bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile ? "a file without a value" : "no file");
        Forms::DestroyAll();
        ResetRecorders();
        InstallPrinters();
        QFile::remove(PasswordFilePath());
        if (emptyFile)
            StorePassword({});
        frmLogViewer &form = Open();
        form.onLockScreenClick();
        form.txtPassword->setText("anything");
        form.onUnlockScreenClick();
        ExpectUnlocked(form);
        EXPECT_EQ(ReadBytes(PasswordFilePath()), "\"\"\r\n");
        EXPECT_TRUE(dialogs().boxes.empty());
        EXPECT_EQ(dialogs().beeps, 0);
        EXPECT_FALSE(QFile::exists(IntruderLogPath()));
    }
}

TEST_F(LogViewerTest, AnUnreadablePasswordFileKeepsTheScreenLocked)
{
    ASSERT_TRUE(QDir().mkpath(PasswordFilePath()));
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    form.txtPassword->setText("guess");
    form.onUnlockScreenClick();
    ExpectLocked(form);
    EXPECT_TRUE(QFileInfo(PasswordFilePath()).isDir()); // never replaced by the empty password
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(QFile::exists(IntruderLogPath()));
    EXPECT_EQ(form.txtPassword->text(), "guess");
}

TEST_F(LogViewerTest, AWrongPasswordThatCannotBeRecordedEndsTheAttempt)
{
    StorePassword("\"pw\"\r\n");
    ASSERT_TRUE(QDir().mkpath(IntruderLogPath())); // the log cannot be appended to
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    form.txtPassword->setText("wrong");
    form.onUnlockScreenClick();
    EXPECT_EQ(dialogs().beeps, 1);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(form.txtPassword->text(), "wrong");
    ExpectLocked(form);
}

TEST_F(LogViewerTest, UnlockingWithoutALogFileShowsEmpty)
{
    StorePassword("\"pw\"\r\n");
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    QFile::remove(IntruderLogPath());
    form.txtPassword->setText("pw");
    form.onUnlockScreenClick();
    ExpectUnlocked(form);
    EXPECT_EQ(form.rtbLog->Text(), "[Empty]");
}

TEST_F(LogViewerTest, EnterInThePasswordBoxDoesNothing)
{
    StorePassword("\"pw\"\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    form.txtPassword->setText("pw");
    QTest::keyClick(form.txtPassword, Qt::Key_Return);
    ExpectLocked(form);
    EXPECT_EQ(dialogs().beeps, 0);
}

TEST_F(LogViewerTest, InTheLockedArrangementTheLogButtonsCannotBeUsed)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    form.onLockScreenClick();
    for (QPushButton *b : {form.cmdClearLog, form.cmdRefresh, form.cmdBackup, form.cmdPrint})
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Forms::IsLoaded<frmLogBackup>());
    EXPECT_FALSE(Forms::IsLoaded<frmPrtDlg>());
    EXPECT_TRUE(QFile::exists(IntruderLogPath()));
    ExpectLocked(form);
    // The exit buttons and the navigation still work.
    EXPECT_TRUE(form.cmdExit->isVisible());
    EXPECT_TRUE(form.cmdExit->isEnabled());
    QTest::mouseClick(form.navBar->lblProtect, Qt::LeftButton);
    EXPECT_TRUE(Forms::Get<frmProtection>().isVisible());
}

TEST_F(LogViewerTest, ClearAsksThenDeletesTheFileAndShowsEmpty)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    QTest::mouseClick(form.cmdClearLog, Qt::LeftButton);
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].text, "Are you sure that you want to clear the log file that contains "
                                       "information about invalid login attempts and invalid passwords?");
    EXPECT_EQ(dialogs().boxes[0].title, "Confirm Action");
    EXPECT_EQ(dialogs().boxes[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::None);
    EXPECT_FALSE(QFile::exists(IntruderLogPath()));
    EXPECT_EQ(form.rtbLog->Text(), "[Empty]");
    // The next record creates the file again.
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "again"));
    form.onRefreshClick();
    EXPECT_TRUE(form.rtbLog->Text().startsWith(headings::kLock));
}

TEST_F(LogViewerTest, CancelLeavesTheFileAndTheView)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    dialogs().answers.push_back(MsgResult::Cancel);
    form.onClearLogClick();
    EXPECT_EQ(ReadBytes(IntruderLogPath()), "record\r\n");
    EXPECT_EQ(form.rtbLog->Text(), "record\n");
}

TEST_F(LogViewerTest, ClearWithoutALogFileKeepsTheView)
{
    WriteLog("record\r\n");
    frmLogViewer &form = Open();
    QFile::remove(IntruderLogPath());
    form.onClearLogClick();
    EXPECT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(form.rtbLog->Text(), "record\n");
}

TEST_F(LogViewerTest, RefreshShowsARecordAppendedElsewhereAtTheBottom)
{
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "first"));
    frmLogViewer &form = Open();
    ASSERT_TRUE(AppendIntruderRecord(headings::kUninstall, "second"));
    EXPECT_FALSE(form.rtbLog->Text().contains("second"));
    QTest::mouseClick(form.cmdRefresh, Qt::LeftButton);
    const QStringList lines = form.rtbLog->Text().split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[4].startsWith("second On "));
    // A log that is gone leaves the view as it was.
    QFile::remove(IntruderLogPath());
    form.onRefreshClick();
    EXPECT_EQ(form.rtbLog->Text().split('\n'), lines);
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(LogViewerTest, TheTwoExitsLieOnEachOtherAndTheTopOneRemovesTheTrayIcon)
{
    frmLogViewer &form = Open();
    EXPECT_EQ(form.cmdExit->geometry(), form.cmdExitAtOnce->geometry());
    EXPECT_EQ(form.childAt(form.cmdExit->geometry().center()), form.cmdExit);

    AddTrayIcon();
    ASSERT_EQ(TrayIconCount(), 1);
    QTest::mouseClick(form.cmdExitAtOnce, Qt::LeftButton);
    EXPECT_EQ(TrayIconCount(), 1);
    EXPECT_EQ(session().endings, std::vector<int>{0});

    QTest::mouseClick(form.cmdExit, Qt::LeftButton);
    EXPECT_EQ(TrayIconCount(), 0);
    EXPECT_EQ(session().endings, std::vector<int>({0, 0}));
    EXPECT_TRUE(shell().calls.isEmpty()); // ending is not unloading
}

TEST_F(LogViewerTest, UnloadRestoresTheShellInThePartsOrder)
{
    Open().Unload();
    EXPECT_EQ(shell().calls, QStringList({"EnableSystemKeys", "ShowTrayArea", "ShowTaskBar"}));
}

TEST_F(LogViewerTest, InformationIconShowsTheLogViewerNote)
{
    QTest::mouseClick(Open().imgInformation, Qt::LeftButton);
    Information &info = Forms::Get<Information>();
    EXPECT_TRUE(info.isVisible());
    EXPECT_EQ(info.windowTitle(), "Important Information");
    EXPECT_EQ(info.lblHeading->text(), "Log Viewer");
    EXPECT_TRUE(info.txtText->toPlainText().startsWith("To make sure that all the invalid login attempts"));
    EXPECT_TRUE(info.txtText->toPlainText().endsWith("NOTE: Newer entries appear at the bottom part."));
}

TEST_F(LogViewerTest, Navigation)
{
    struct Case {
        LinkLabel *NavigationBar::*link;
        std::function<Form *()> target;
    } cases[] = {
        {&NavigationBar::lblHome, [] { return static_cast<Form *>(Forms::IfLoaded<frmMain>()); }},
        {&NavigationBar::lblPasswordSettings,
         [] { return static_cast<Form *>(Forms::IfLoaded<frmPassword>()); }},
        {&NavigationBar::lblProtect, [] { return static_cast<Form *>(Forms::IfLoaded<frmProtection>()); }},
    };
    for (const Case &c : cases) {
        Forms::DestroyAll();
        frmLogViewer &form = Open();
        QTest::mouseClick(form.navBar->*(c.link), Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
        ASSERT_NE(c.target(), nullptr);
        EXPECT_TRUE(c.target()->isVisible());
        EXPECT_TRUE(Forms::IsLoaded<frmLogViewer>()); // hidden, not unloaded
    }
    frmLogViewer &form = Open();
    QTest::mouseClick(form.navBar->lblViewLog, Qt::LeftButton);
    QTest::mouseClick(form.navBar->lblHelp, Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(launcher().opened, QStringList{"index.htm"});
}

TEST_F(LogViewerTest, BackupOpensTheBackupScreenModallyOverTheViewer)
{
    frmLogViewer &form = Open();
    bool seen = false;
    WhenModal<frmLogBackup>([&](frmLogBackup &backup) {
        seen = true;
        EXPECT_EQ(backup.parentWidget(), &form);
        EXPECT_TRUE(backup.isVisible());
        EXPECT_EQ(backup.windowModality(), Qt::ApplicationModal);
    });
    QTest::mouseClick(form.cmdBackup, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(Forms::IsLoaded<frmLogBackup>());
}

TEST_F(LogViewerTest, PrintLoadsThePrintDialogModallyOverTheViewer)
{
    printers.printers = {"laser"};
    printers.current = "laser";
    frmLogViewer &form = Open();
    bool seen = false;
    WhenModal<frmPrtDlg>([&](frmPrtDlg &dialog) {
        seen = true;
        EXPECT_EQ(dialog.parentWidget(), &form);
        EXPECT_EQ(dialog.cbxPrinters->currentText(), "laser");
    });
    QTest::mouseClick(form.cmdPrint, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(printers.jobs.empty());
}

TEST_F(LogViewerTest, ATwentyMegabyteLogComesUpAtOnce)
{
    QByteArray log;
    for (int i = 0; log.size() < (20 << 20); ++i)
        log += headings::kLock.toLatin1() + "\r\nguess" + QByteArray::number(i) +
               " On 1/2/2003 4:05:06 AM.\r\n\r\n";
    WriteLog(log);
    QElapsedTimer timer;
    timer.start();
    frmLogViewer &form = Open();
    QCoreApplication::processEvents(); // lay out and paint
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(form.rtbLog->LineCount(), log.count('\n') + 1);
    EXPECT_TRUE(form.rtbLog->Text().endsWith(" AM.\n\n"));
    timer.restart();
    form.onRefreshClick();
    QCoreApplication::processEvents();
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(LogViewerTest, LinesAreShownWholeAndCopiedWithoutTheirLineEnds)
{
    const QByteArray longLine = "x" + QByteArray(600, 'w') + "y";
    WriteLog("first\r\n" + longLine + "\r\n\x80uro\r\n");
    frmLogViewer &form = Open();
    QListView *list = form.rtbLog->lstLines;
    ASSERT_TRUE(form.rtbLog->ShowsLog());
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(list->model()->index(2, 0).data().toString(), QString::fromUtf8("€uro"));
    // The widest line fits its row: nothing is cut off with an ellipsis.
    const int wanted = list->fontMetrics().horizontalAdvance(QString::fromLatin1(longLine));
    EXPECT_GE(list->sizeHintForIndex(list->model()->index(0, 0)).width(), wanted);
    EXPECT_EQ(list->textElideMode(), Qt::ElideNone);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "first\n" + QString::fromLatin1(longLine) + QString::fromUtf8("\n€uro\n"));
}

TEST_F(LogViewerTest, LockingDropsTheLogFromTheView)
{
    WriteLog("secret record\r\n");
    frmLogViewer &form = Open();
    ASSERT_EQ(form.rtbLog->LineCount(), 2);
    form.onLockScreenClick();
    EXPECT_FALSE(form.rtbLog->ShowsLog());
    EXPECT_EQ(form.rtbLog->lstLines->model()->rowCount(), 0);
    EXPECT_EQ(form.rtbLog->Text(), kNotice);
}

} // namespace

namespace {

TEST_F(LogViewerTest, TheLockNoticeIsWrappedToTheViewsWidth)
{
    WriteLog("record\r\n");
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    frmLogViewer &form = Open();
    QCoreApplication::processEvents();
    QPlainTextEdit *message = form.rtbLog->txtMessage;
    EXPECT_EQ(message->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(message->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(message->document()->documentLayout()->documentSize().height(), 1.5);
}

// The view scrolls across as far as its widest line reaches, measured in
// its font: a wrong password of 60 "W" is a shorter line than a long one of
// narrow letters, but wider. The records' headings need no scrolling.
TEST_F(LogViewerTest, TheWidestLineCanBeScrolledToAndTheHeadingsFitTheView)
{
    const QString wide = QString(60, QLatin1Char('W')) + QStringLiteral(" On 01/02/2001 10:11:12 AM.");
    const QString narrow = QString(120, QLatin1Char('i'));
    AppendIntruderRecord(headings::kLock, QString(60, QLatin1Char('W')));
    WriteLog(ReadBytes(IntruderLogPath()) + narrow.toLatin1() + "\r\n" + wide.toLatin1() + "\r\n");
    frmLogViewer &form = Open();
    QListView *lines = form.rtbLog->lstLines;
    ASSERT_TRUE(form.rtbLog->ShowsLog());
    ASSERT_GT(narrow.size(), wide.size()) << "the narrow line has more bytes";
    const QFontMetrics metrics(lines->font());
    ASSERT_GT(metrics.horizontalAdvance(wide), metrics.horizontalAdvance(narrow));
    QCoreApplication::processEvents(); // the list lays out its rows
    const int reach = lines->horizontalScrollBar()->maximum() + lines->viewport()->width();
    EXPECT_GE(reach, metrics.horizontalAdvance(wide)) << "the end of the wide line can be scrolled to";

    WriteLog(headings::kLock.toLatin1() + "\r\n" + headings::kUninstall.toLatin1() + "\r\n" +
             headings::kPasswordChange.toLatin1() + "\r\n" + headings::kViewLog.toLatin1() + "\r\n");
    form.cmdRefresh->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(lines->horizontalScrollBar()->maximum(), 0) << "the headings show whole";
    const QRect view = form.rtbLog->geometry();
    EXPECT_LE(view.right(), form.width()) << "and the view lies inside its window";
    EXPECT_LE(form.cmdExit->geometry().right(), form.width());
    EXPECT_GT(form.cmdExit->x(), view.left());
}

} // namespace
