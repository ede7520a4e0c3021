// Log backup: the backup screen and its destination box, the copy through
// the shell's file operation, and the record CopyFileWithShell fills.

#include "rules/IntruderLog.h"
#include "intruderlog/frmBackupDest.h"
#include "intruderlog/frmLogBackup.h"
#include "platform/storage/DrivePaths.h"
#include "mainscreen/frmMain.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "intruderlog/BackupCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

using namespace testing_support;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

const QString kErrorText = QStringLiteral(
    "POSSIBLE CAUSES:\nThe log file doesn't exist.\nThe floppy disk may be damaged or may need formatting, "
    "or there is no floppy disk in the drive.");

class LogBackupTest : public SandboxTest {
protected:
    frmLogBackup &Open()
    {
        frmLogBackup &form = Forms::Get<frmLogBackup>();
        form.show();
        return form;
    }
    void WriteLog(const QByteArray &bytes) { WriteBytes(IntruderLogPath(), bytes); }
    QString Folder(const QString &name)
    {
        const QString path = home() + "/" + name;
        QDir().mkpath(path);
        return path;
    }
    // Clicks a destination button of the backup screen, types into the box
    // that comes up and presses its OK (or Cancel).
    void BackUp(void (frmLogBackup::*button)(), const QString &destination, bool ok = true)
    {
        frmLogBackup &form = Open();
        bool shown = false;
        WhenModal<frmBackupDest>([&](frmBackupDest &box) {
            shown = true;
            if (!destination.isNull())
                box.txtDestination->setText(destination);
            if (ok)
                box.cmdOK->click();
            else
                box.cmdCancel->click();
        });
        (form.*button)();
        ASSERT_TRUE(shown);
        EXPECT_FALSE(Forms::IsLoaded<frmBackupDest>());
    }
    static bool Succeeded(frmLogBackup &form)
    {
        return form.lblDone->isVisible() && !form.lblFailed->isVisible();
    }
    static bool Failed(frmLogBackup &form)
    {
        return form.lblFailed->isVisible() && !form.lblDone->isVisible();
    }
};

TEST_F(LogBackupTest, BackupScreenCarriesItsTextsAndStartsWithNoOutcome)
{
    frmLogBackup &form = Open();
    EXPECT_EQ(form.windowTitle(), "Log Backup - Gardlock 2001");
    EXPECT_EQ(form.cmdFloppy->text(), "Backup to &Floppy");
    EXPECT_EQ(form.cmdFloppy->toolTip(), "this will make the backup to a floppy disk");
    EXPECT_EQ(form.cmdDesktop->text(), "Backup to &Desktop");
    EXPECT_EQ(form.cmdDesktop->toolTip(), "this will make the backup to the desktop");
    EXPECT_EQ(form.cmdExit->text(), "&Exit");
    EXPECT_EQ(form.cmdExit->toolTip(), "close this window");
    EXPECT_EQ(form.lblDone->text(), "Backup process done. Click the 'Exit' button.");
    EXPECT_EQ(form.lblFailed->text(), "There was an error creating the backup. Backup Aborted!");
    EXPECT_EQ(form.lblDone->geometry(), form.lblFailed->geometry());
    EXPECT_FALSE(form.lblDone->isVisible());
    EXPECT_FALSE(form.lblFailed->isVisible());
    QStringList texts;
    for (QLabel *label : form.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Backup Creation"));
    EXPECT_TRUE(texts.filter("Approx. 10kb.").size() == 1);
    EXPECT_TRUE(texts.filter("text viewer such as Notepad.").size() == 1);
}

TEST_F(LogBackupTest, FloppyShowsTheBoxModallyWithItsFirstContent)
{
    frmLogBackup &form = Open();
    WhenModal<frmBackupDest>([&](frmBackupDest &box) {
        EXPECT_EQ(box.windowTitle(), "Backup - Gardlock 2001");
        EXPECT_EQ(box.parentWidget(), &form);
        EXPECT_EQ(box.fraDestination->title(), "Backup Destination");
        EXPECT_EQ(box.txtDestination->text(), "A:\\");
        EXPECT_EQ(box.lblDescription->text(),
                  "This will backup the Deskward log files into a floppy disk as a file. Make sure that the "
                  "directory path below is correct and point to the desire destination.");
        EXPECT_TRUE(box.cmdOK->isDefault());
        EXPECT_EQ(box.cmdOK->text(), "&OK");
        EXPECT_EQ(box.cmdCancel->text(), "&Cancel");
    });
    QTest::mouseClick(form.cmdFloppy, Qt::LeftButton);
    EXPECT_FALSE(Forms::IsLoaded<frmBackupDest>());
}

TEST_F(LogBackupTest, DesktopSetsItsFolderAndTextAndTheFloppyStartsAfreshAfterwards)
{
    frmLogBackup &form = Open();
    WhenModal<frmBackupDest>([](frmBackupDest &box) {
        EXPECT_EQ(box.txtDestination->text(), "C:\\Windows\\Desktop");
        EXPECT_EQ(box.lblDescription->text(),
                  "This will backup the Deskward log files into the desire directory as a file. Make sure "
                  "that the directory path below is correct and point to the desire destination.");
    });
    QTest::mouseClick(form.cmdDesktop, Qt::LeftButton);
    WhenModal<frmBackupDest>([](frmBackupDest &box) {
        EXPECT_EQ(box.txtDestination->text(), "A:\\");
        EXPECT_TRUE(box.lblDescription->text().contains("into a floppy disk"));
    });
    QTest::mouseClick(form.cmdFloppy, Qt::LeftButton);
}

TEST_F(LogBackupTest, OkCopiesTheLogIntoATypedFolderAndShowsSuccess)
{
    WriteLog("record one\r\n\x80\r\n");
    QFile::setPermissions(IntruderLogPath(), QFile::ReadOwner | QFile::WriteOwner); // as the log is made
    const QString folder = Folder("backups");
    BackUp(&frmLogBackup::onFloppyClick, folder);
    EXPECT_EQ(ReadBytes(folder + "/intruder.log"), "record one\r\n\x80\r\n");
    EXPECT_TRUE(Succeeded(Forms::Get<frmLogBackup>()));
    EXPECT_TRUE(dialogs().boxes.empty());
    // The copy is as private as the log.
    EXPECT_EQ(QFileInfo(folder + "/intruder.log").permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(LogBackupTest, ASecondBackupReplacesTheFirstWithoutAQuestion)
{
    const QString folder = Folder("backups");
    WriteLog("first\r\n");
    BackUp(&frmLogBackup::onFloppyClick, folder);
    WriteLog("second, longer\r\n");
    BackUp(&frmLogBackup::onFloppyClick, folder);
    EXPECT_EQ(ReadBytes(folder + "/intruder.log"), "second, longer\r\n");
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_TRUE(Succeeded(Forms::Get<frmLogBackup>()));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"intruder.log"});
}

// Notes, at every message box, whether the backup screen's failure line showed.
class LineWatchingDialogs : public RecordingDialogs {
public:
    QList<bool> failureShown;
    MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title, MsgButtons buttons,
                         MsgIcon icon) override
    {
        frmLogBackup *form = Forms::IfLoaded<frmLogBackup>();
        failureShown << (form && form->lblFailed->isVisible());
        return RecordingDialogs::MessageBox(owner, text, title, buttons, icon);
    }
};

TEST_F(LogBackupTest, WithoutALogFileTheErrorComesFirstThenTheFailureLine)
{
    LineWatchingDialogs watching;
    platform::Services with = testing_support::RecorderServices();
    with.dialogs = &watching;
    platform::install(with);
    const QString folder = Folder("backups");
    BackUp(&frmLogBackup::onFloppyClick, folder);
    ResetRecorders();
    ASSERT_EQ(watching.boxes.size(), 1u);
    EXPECT_EQ(watching.boxes[0].text, kErrorText);
    EXPECT_EQ(watching.boxes[0].title, "Error making backup!");
    EXPECT_EQ(watching.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(watching.boxes[0].buttons, MsgButtons::OK);
    EXPECT_EQ(watching.failureShown, QList<bool>{false});
    EXPECT_TRUE(Failed(Forms::Get<frmLogBackup>()));
    EXPECT_FALSE(QFile::exists(folder + "/intruder.log"));
}

TEST_F(LogBackupTest, EveryFailingDestinationGivesTheSameMessage)
{
    WriteLog("record\r\n");
    const QString folder = Folder("backups");
    QFile(home() + "/a-file").open(QIODevice::WriteOnly);
    struct Case {
        const char *why;
        QString destination;
    } cases[] = {
        {"floppy drive not ready", "A:\\"},
        {"missing folder", home() + "/nowhere"},
        {"a file, not a folder", home() + "/a-file"},
        {"no trimming", folder + " "},
        {"the log's own folder", "C:\\"},
        {"empty", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        ResetRecorders();
        BackUp(&frmLogBackup::onFloppyClick, c.destination);
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_EQ(dialogs().boxes[0].text, kErrorText);
        EXPECT_TRUE(Failed(Forms::Get<frmLogBackup>()));
    }
    EXPECT_EQ(ReadBytes(IntruderLogPath()), "record\r\n");
}

TEST_F(LogBackupTest, TheFloppyIsTheFolderItsDriveLinkNames)
{
    WriteLog("record\r\n");
    const QString floppy = Folder("floppy");
    const QString dosdevices = QFileInfo(platform::DriveCFolder()).path() + "/dosdevices";
    QDir().mkpath(dosdevices);
    ASSERT_TRUE(QFile::link(floppy, dosdevices + "/a:"));
    BackUp(&frmLogBackup::onFloppyClick, QString()); // "A:\" as it stands
    EXPECT_EQ(ReadBytes(floppy + "/intruder.log"), "record\r\n");
    EXPECT_TRUE(Succeeded(Forms::Get<frmLogBackup>()));
}

TEST_F(LogBackupTest, TheDesktopIsTheUsersDesktopFolderMadeIfMissing)
{
    WriteLog("record\r\n");
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(home()));
    ASSERT_FALSE(QFileInfo::exists(desktop));
    BackUp(&frmLogBackup::onDesktopClick, QString());
    EXPECT_EQ(ReadBytes(desktop + "/intruder.log"), "record\r\n");
    EXPECT_TRUE(Succeeded(Forms::Get<frmLogBackup>()));
}

TEST_F(LogBackupTest, CancelCopiesNothingAndLeavesTheLines)
{
    WriteLog("record\r\n");
    const QString folder = Folder("backups");
    BackUp(&frmLogBackup::onFloppyClick, folder);
    QFile::remove(folder + "/intruder.log");
    BackUp(&frmLogBackup::onFloppyClick, folder, false);
    EXPECT_FALSE(QFile::exists(folder + "/intruder.log"));
    EXPECT_TRUE(Succeeded(Forms::Get<frmLogBackup>()));

    QFile::remove(IntruderLogPath());
    BackUp(&frmLogBackup::onFloppyClick, folder);
    BackUp(&frmLogBackup::onFloppyClick, folder, false);
    EXPECT_TRUE(Failed(Forms::Get<frmLogBackup>()));
}

TEST_F(LogBackupTest, EnterInTheDestinationBoxPressesOk)
{
    WriteLog("record\r\n");
    const QString folder = Folder("backups");
    frmLogBackup &form = Open();
    WhenModal<frmBackupDest>([&](frmBackupDest &box) {
        box.txtDestination->setText(folder);
        QTest::keyClick(box.txtDestination, Qt::Key_Return);
    });
    form.onFloppyClick();
    EXPECT_TRUE(QFile::exists(folder + "/intruder.log"));
    EXPECT_TRUE(Succeeded(form));
}

TEST_F(LogBackupTest, ExitUnloadsTheScreenAndTheLinesStartHiddenAtTheNextLoad)
{
    WriteLog("record\r\n");
    BackUp(&frmLogBackup::onFloppyClick, Folder("backups"));
    QTest::mouseClick(Forms::Get<frmLogBackup>().cmdExit, Qt::LeftButton);
    EXPECT_FALSE(Forms::IsLoaded<frmLogBackup>());
    frmLogBackup &again = Open();
    EXPECT_FALSE(again.lblDone->isVisible());
    EXPECT_FALSE(again.lblFailed->isVisible());
}

TEST_F(LogBackupTest, TheShellRecordCarriesTheFlagsAndListsOfThePart)
{
    struct Case {
        bool confirm, progress;
        std::uint32_t flags;
    } cases[] = {{false, true, 0x10}, {false, false, 0x14}, {true, true, 0}, {true, false, 0x4}};
    for (const Case &c : cases) {
        const ShFileOpStruct op = CopyFileRecord("C:\\intruder.log", "A:\\", c.confirm, c.progress);
        EXPECT_EQ(op.fFlags, c.flags) << c.confirm << c.progress;
        EXPECT_EQ(op.wFunc, 2u);
        EXPECT_EQ(op.pFrom, QStringLiteral("C:\\intruder.log") + QString(3, QChar(0)));
        EXPECT_EQ(op.pTo, QStringLiteral("A:\\") + QString(2, QChar(0)));
        EXPECT_EQ(op.hwnd, nullptr); // the main screen is not loaded just for this
    }
    EXPECT_FALSE(Forms::IsLoaded<frmMain>());
    frmMain &main = Forms::Get<frmMain>();
    EXPECT_EQ(CopyFileRecord("a", "b", false, true).hwnd, &main);
}

TEST_F(LogBackupTest, WithConfirmationTheShellAsksBeforeReplacing)
{
    WriteLog("new\r\n");
    const QString folder = Folder("backups");
    WriteBytes(folder + "/intruder.log", "old\r\n");
    dialogs().answers.push_back(MsgResult::Cancel);
    EXPECT_FALSE(CopyFileWithShell("C:\\intruder.log", folder, true, false));
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(ReadBytes(folder + "/intruder.log"), "old\r\n");
    EXPECT_TRUE(CopyFileWithShell("C:\\intruder.log", folder, true, false)); // answered OK
    EXPECT_EQ(ReadBytes(folder + "/intruder.log"), "new\r\n");
}

TEST_F(LogBackupTest, TheShellStandInRefusesWhatItDoesNotKnow)
{
    WriteLog("record\r\n");
    ShFileOpStruct op = CopyFileRecord("C:\\intruder.log", Folder("x"), false, false);
    op.wFunc = 3; // FO_DELETE
    EXPECT_EQ(SHFileOperation(op), shellop::kBadOperation);
    op = CopyFileRecord("C:\\intruder.log", Folder("x"), false, false);
    op.pFrom = QString(2, QChar(0));
    EXPECT_EQ(SHFileOperation(op), shellop::kBadOperation);
    op = CopyFileRecord("C:\\missing.log", Folder("x"), false, false);
    EXPECT_EQ(SHFileOperation(op), shellop::kSourceMissing);
    op = CopyFileRecord("C:\\intruder.log", Folder("x"), false, false);
    EXPECT_EQ(SHFileOperation(op), shellop::kOk);
    EXPECT_FALSE(op.fAnyOperationsAborted);
}

TEST_F(LogBackupTest, ALargeLogIsCopiedWhole)
{
    QByteArray log;
    for (int i = 0; log.size() < (5 << 20); ++i)
        log += "record " + QByteArray::number(i) + "\r\n";
    WriteLog(log);
    const QString folder = Folder("big");
    EXPECT_TRUE(CopyFileWithShell("C:\\intruder.log", folder, false, true));
    EXPECT_EQ(ReadBytes(folder + "/intruder.log"), log);
}

} // namespace
