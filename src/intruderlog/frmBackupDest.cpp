#include "intruderlog/frmBackupDest.h"

#include "intruderlog/frmLogBackup.h"
#include "ui/ScreenKit.h"
#include "intruderlog/BackupCopy.h"

using namespace ui;
using platform::MsgButtons;
using platform::MsgIcon;

const QString frmBackupDest::kFloppyDescription =
    QStringLiteral("This will backup the Deskward log files into a floppy disk as a file. Make sure that the "
                   "directory path below is correct and point to the desire destination.");
const QString frmBackupDest::kDesktopDescription =
    QStringLiteral("This will backup the Deskward log files into the desire directory as a file. Make sure "
                   "that the directory path below is correct and point to the desire destination.");

frmBackupDest::frmBackupDest()
    : Form(CaptionOnlyWindow() | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setWindowTitle(QStringLiteral("Backup - Gardlock 2001"));
    setFixedSize(420, 200);

    fraDestination = new QGroupBox(QStringLiteral("Backup Destination"), this);
    fraDestination->setGeometry(10, 8, 400, 140);
    lblDescription = new QLabel(kFloppyDescription, fraDestination);
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setFont(Verdana(8));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setGeometry(12, 22, 376, 60);
    auto *lblDestination = new QLabel(QStringLiteral("Destination:"), fraDestination);
    lblDestination->setFont(Verdana(8, true));
    lblDestination->setGeometry(12, 98, 90, 20);
    txtDestination = new TextBox(fraDestination);
    txtDestination->setText(QStringLiteral("A:\\"));
    txtDestination->setGeometry(104, 96, 284, 24);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(222, 160, 90, 28);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(320, 160, 90, 28);

    connect(cmdOK, &QPushButton::clicked, this, &frmBackupDest::onOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmBackupDest::onCancelClick);
    // "&OK" is the default button: Enter in the box presses it.
    connect(txtDestination, &QLineEdit::returnPressed, cmdOK, &QPushButton::click);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmBackupDest::onOkClick()
{
    // The destination exactly as typed: no check, no trimming, no added backslash.
    const QString destination = txtDestination->text();
    const bool copied = CopyFileWithShell(QStringLiteral("C:\\intruder.log"), destination, false, true);
    frmLogBackup *backup = Forms::IfLoaded<frmLogBackup>();
    if (!copied) {
        MsgBox(
            QStringLiteral("POSSIBLE CAUSES:\nThe log file doesn't exist.\nThe floppy disk may be damaged or "
                           "may need formatting, or there is no floppy disk in the drive."),
            MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error making backup!"), this);
        Unload();
        if (backup)
            backup->ShowFailure();
        return;
    }
    Unload();
    if (backup)
        backup->ShowSuccess();
}

void frmBackupDest::onCancelClick()
{
    Unload();
}
