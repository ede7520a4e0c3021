#include "intruderlog/frmLogViewer.h"

#include "rules/IntruderLog.h"
#include "ui/KeyboardNotes.h"
#include "ui/PasswordPrompt.h"
#include "rules/PasswordStore.h"
#include "rules/LogFile.h"
#include "intruderlog/LogView.h"
#include "intruderlog/frmLogBackup.h"
#include "intruderlog/frmPrtDlg.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "platform/storage/Settings.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

#include <QFile>

#include <algorithm>

using namespace ui;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

const QString frmLogViewer::kEmptyText = QStringLiteral("[Empty]");
const QString frmLogViewer::kLockedNotice =
    QStringLiteral("This information is not available because this screen has been locked. Unlock this "
                   "screen to display this information.");

namespace {

const QString kLocked = QStringLiteral("Locked");
const QString kUnlocked = QStringLiteral("Unlocked");

QPushButton *LogButton(const QString &caption, const QString &tip, QWidget *parent, int left)
{
    auto *button = new QPushButton(caption, parent);
    button->setToolTip(tip);
    button->setGeometry(left, 352, 100, 28);
    return button;
}

} // namespace

frmLogViewer::frmLogViewer() : Form(PageWindow())
{
    // The log view is wide enough for the records' headings in its font, so
    // that only what an intruder typed can need scrolling across.
    const int logWidth = std::max(448, LogView::WidthShowing({headings::kLock, headings::kUninstall,
                                                              headings::kPasswordChange, headings::kViewLog}));
    const int width = 176 + logWidth + 16;
    navBar = BuildNavigationPage(this, QStringLiteral("Log Viewer - Gardlock 2001"), QSize(width, 440),
                                 NavPage::ViewLog, QStringLiteral("log viewer"));
    Caption(QStringLiteral("log viewer"), this, Verdana(14, true), kLighterGrey)
        ->setGeometry(16, 300, 150, 30);

    lblExplanation = Caption(
        QStringLiteral("In the window that appears next to this text, all the invalid login attempts will "
                       "be displayed. Click the refresh button to ensure that all invalid login attempts "
                       "appear. You can also backup all the information that appears on the window by "
                       "clicking the backup button below."),
        this, Verdana(7.5), kDarkGrey);
    lblExplanation->setWordWrap(true);
    lblExplanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblExplanation->setGeometry(12, 96, 150, 200);

    rtbLog = new LogView(this);
    rtbLog->setGeometry(176, 90, logWidth, 254);

    cmdClearLog = LogButton(QStringLiteral("&Clear Log"),
                            QStringLiteral("this will clean and delete the existing log file in hard drive"),
                            this, 176);
    cmdRefresh =
        LogButton(QStringLiteral("&Refresh"),
                  QStringLiteral("this will refresh the existing log file in hard drive"), this, 292);
    cmdBackup = LogButton(
        QStringLiteral("&Backup..."),
        QStringLiteral("this will help you make a backup of the existing log file in hard drive"), this, 408);
    cmdPrint = LogButton(QStringLiteral("&Print..."),
                         QStringLiteral("this will bring the print options dialog box"), this, 524);

    lblLockScreen = Link(QStringLiteral("Lock screen"), this, kBlue);
    lblLockScreen->setFont(Verdana(8, true));
    lblLockScreen->setGeometry(176, 398, 100, 20);
    lblUnlockScreen = Link(QStringLiteral("Unlock screen"), this, kBlue);
    lblUnlockScreen->setFont(Verdana(8, true));
    lblUnlockScreen->setGeometry(176, 398, 100, 20);
    lblUnlockScreen->hide();
    lblPassword = Caption(QStringLiteral("Password:"), this, Verdana(8, true), kDarkGrey);
    lblPassword->setGeometry(176, 356, 80, 20);
    lblPassword->hide();
    // No length limit, unlike the other password boxes.
    txtPassword = new TextBox(this, 32767, QChar('-'));
    txtPassword->setGeometry(260, 354, 180, 24);
    txtPassword->hide();
    // The layout and Caps Lock, right of the box and shown with it.
    m_keyboard = new KeyboardNotes(this, Verdana(8));
    m_keyboard->Place(QPoint(448, 358));
    m_keyboard->SetShown(false);

    imgInformation = InformationIcon(this);
    imgInformation->move(16, 396);

    // Both exits lie exactly on top of each other; the one raised last takes
    // the click, and it removes the tray icon before the program ends.
    cmdExitAtOnce = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExitAtOnce->setToolTip(QStringLiteral("Click here to exit."));
    cmdExitAtOnce->setGeometry(width - 16 - 94, 398, 94, 28);
    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("Click here to exit the program"));
    cmdExit->setGeometry(width - 16 - 94, 398, 94, 28);
    cmdExit->raise();

    setTabOrder(rtbLog, cmdClearLog);
    setTabOrder(cmdClearLog, cmdRefresh);
    setTabOrder(cmdRefresh, cmdBackup);
    setTabOrder(cmdBackup, cmdPrint);
    setTabOrder(cmdPrint, txtPassword);
    setTabOrder(txtPassword, cmdExit);
    setTabOrder(cmdExit, cmdExitAtOnce);

    connect(cmdRefresh, &QPushButton::clicked, this, &frmLogViewer::onRefreshClick);
    connect(cmdClearLog, &QPushButton::clicked, this, &frmLogViewer::onClearLogClick);
    connect(cmdBackup, &QPushButton::clicked, this, &frmLogViewer::onBackupClick);
    connect(cmdPrint, &QPushButton::clicked, this, &frmLogViewer::onPrintClick);
    connect(lblLockScreen, &LinkLabel::clicked, this, &frmLogViewer::onLockScreenClick);
    connect(lblUnlockScreen, &LinkLabel::clicked, this, &frmLogViewer::onUnlockScreenClick);
    connect(cmdExit, &QPushButton::clicked, this, &frmLogViewer::onExitClick);
    connect(cmdExitAtOnce, &QPushButton::clicked, this, &frmLogViewer::onExitAtOnceClick);
    connect(imgInformation, &LinkLabel::clicked, this, &frmLogViewer::onInformationClick);
    // The password box has no Enter shortcut: only "Unlock screen" checks it.
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmLogViewer::onLoad()
{
    const bool storedLocked = settings::Read(settings::ViewLogStatus) == kLocked;
    if (!LoadLogFile()) {
        SetLogText(kEmptyText);
        // A viewer locked by its owner stays locked even when the log file is
        // gone: deleting a file must not change the arrangement.
        if (storedLocked)
            onLockScreenClick();
        return;
    }
    if (storedLocked)
        onLockScreenClick(); // writes "Locked" again
    else
        ShowUnlockedArrangement();
}

void frmLogViewer::onRefreshClick()
{
    LoadLogFile(); // a log that cannot be read leaves the view as it was, silently
}

void frmLogViewer::onClearLogClick()
{
    const MsgResult answer =
        MsgBox(QStringLiteral("Are you sure that you want to clear the log file that contains information "
                              "about invalid login attempts and invalid passwords?"),
               MsgButtons::OKCancel, MsgIcon::None, QStringLiteral("Confirm Action"), this);
    if (answer != MsgResult::OK)
        return;
    // Cleared by deleting, not emptying: the next record creates it again.
    if (!QFile::remove(IntruderLogPath()))
        return; // no log file: the view keeps its text
    SetLogText(kEmptyText);
}

void frmLogViewer::onBackupClick()
{
    Forms::Get<frmLogBackup>().ShowModal(this);
}

void frmLogViewer::onPrintClick()
{
    Forms::Get<frmPrtDlg>().ShowModal(this);
}

void frmLogViewer::onLockScreenClick()
{
    const bool stored = settings::Write(settings::ViewLogStatus, kLocked);
    SetLogText(kLockedNotice);
    txtPassword->show();
    txtPassword->clear();
    m_keyboard->SetShown(true);
    for (QPushButton *button : LogButtons())
        button->setEnabled(false);
    for (QPushButton *button : LogButtons())
        button->hide();
    lblLockScreen->hide();
    lblUnlockScreen->show();
    lblPassword->show();
    // Locked now either way; unless stored, the screen would open unlocked
    // next time, which whoever locked it must know.
    if (!stored)
        MsgBox(
            QStringLiteral("This screen is locked now, but it will open unlocked next time: %1 could not be "
                           "written.")
                .arg(settings::FilePath()),
            platform::MsgButtons::OK, platform::MsgIcon::Exclamation, QString(), this);
}

void frmLogViewer::onUnlockScreenClick()
{
    switch (VerifyPasswordBox(txtPassword, headings::kViewLog, m_wrongPasswords)) {
    case VerifyOutcome::Match:
        break;
    case VerifyOutcome::NoChange:
        // No password was set: the empty one has just been written and the
        // screen unlocks without comparing. A password file that cannot be read
        // leaves nothing stored, and the screen stays locked.
        if (!ReadPassword().ok())
            return;
        break;
    case VerifyOutcome::Recorded:
        ShowAccessDenied(this, QStringLiteral("Password is incorrect."), QStringLiteral("Access Denied!"),
                         QStringLiteral("This unauthorized access has been logged."));
        return;
    case VerifyOutcome::NotRecorded:
        return; // the record could not be written: the attempt ends here
    }

    // Not stored, the screen only asks for the password again next time.
    (void)settings::Write(settings::ViewLogStatus, kUnlocked);
    ShowUnlockedArrangement();
    // The typed password would otherwise wait in the hidden box until the
    // next lock; nothing needs it any more, so it goes now.
    txtPassword->clear();
    // When the log cannot be loaded after an unlock, "[Empty]" says what is
    // true, as at load, rather than leaving the lock notice in place.
    if (!LoadLogFile())
        SetLogText(kEmptyText);
}

void frmLogViewer::onExitClick()
{
    DeleteTrayIcon();
    EndProgram();
}

void frmLogViewer::onExitAtOnceClick()
{
    EndProgram();
}

void frmLogViewer::onInformationClick()
{
    ShowInformation(
        QStringLiteral("Important Information"), QStringLiteral("Log Viewer"),
        QStringLiteral("To make sure that all the invalid login attempts and all invalid password changes "
                       "appear, always click the 'refresh' button. You may also make a weekly backup of "
                       "this file, so in case of a system crash, you don't lose this information, or if "
                       "you prefer, you can click the 'print' button to print the entire file. NOTE: "
                       "Newer entries appear at the bottom part."));
}

void frmLogViewer::onUnload()
{
    RunPageRestoringSteps();
}

bool frmLogViewer::LoadLogFile()
{
    std::optional<QByteArray> bytes = log_file::ReadLogBytes();
    if (!bytes)
        return false;
    rtbLog->SetLog(std::move(*bytes));
    return true;
}

void frmLogViewer::SetLogText(const QString &text)
{
    rtbLog->SetText(text);
}

void frmLogViewer::ShowUnlockedArrangement()
{
    for (QPushButton *button : LogButtons())
        button->setEnabled(true);
    for (QPushButton *button : LogButtons())
        button->show();
    txtPassword->hide();
    m_keyboard->SetShown(false);
    lblLockScreen->show();
    lblUnlockScreen->hide();
    lblPassword->hide();
}
