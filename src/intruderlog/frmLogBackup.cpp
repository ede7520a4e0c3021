#include "intruderlog/frmLogBackup.h"

#include "intruderlog/frmBackupDest.h"
#include "ui/ScreenKit.h"

using namespace ui;

namespace {

QLabel *Paragraph(const QString &text, QWidget *parent, int top, int height)
{
    QLabel *label = Caption(text, parent, Verdana(8), kBlack);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(150, top, 350, height);
    return label;
}

// Bold type runs wider than the paragraphs: a long outcome wraps onto a
// second line rather than lose its end.
QLabel *OutcomeLine(const QString &text, QWidget *parent)
{
    QLabel *label = Caption(text, parent, Verdana(8, true), kDarkRed);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(150, 304, 354, 40);
    label->hide();
    return label;
}

} // namespace

frmLogBackup::frmLogBackup()
    : Form(CaptionOnlyWindow() | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setWindowTitle(QStringLiteral("Log Backup - Gardlock 2001"));
    setFixedSize(520, 390);

    Caption(QStringLiteral("backup"), this, Verdana(26, true), kLighterGrey)->setGeometry(12, 8, 300, 50);
    Caption(QStringLiteral("backup"), this, Verdana(14, true), kLighterGrey)->setGeometry(12, 300, 130, 30);
    Caption(QStringLiteral("Backup Creation"), this, Verdana(12, true), kNavy)->setGeometry(150, 56, 350, 26);

    Paragraph(
        QStringLiteral("You can create a backup of the log file by reading the information below and "
                       "following the instructions. You will need a blank, formated floppy disk, or you "
                       "can use a floppy disk with sufficient disk space to make the backup. Approx. "
                       "10kb."),
        this, 90, 64);
    Paragraph(
        QStringLiteral("This feature will backup your existing log file to a floppy disk. You can also "
                       "backup your existing log file by clicking on the \"Backup to Desktop\" button."),
        this, 158, 44);
    Paragraph(QStringLiteral("If you decide to make the backup to a floppy disk, you can later open the file "
                             "by using a text viewer such as Notepad."),
              this, 206, 44);
    Paragraph(QStringLiteral("If you will create the backup to the desktop, you can then copy this file to a "
                             "cd recordable, zip disk, or any other type of media."),
              this, 254, 44);

    lblDone = OutcomeLine(QStringLiteral("Backup process done. Click the 'Exit' button."), this);
    lblFailed = OutcomeLine(QStringLiteral("There was an error creating the backup. Backup Aborted!"), this);
    lblDone->setObjectName("lblDone");
    lblFailed->setObjectName("lblFailed");

    cmdFloppy = new QPushButton(QStringLiteral("Backup to &Floppy"), this);
    cmdFloppy->setToolTip(QStringLiteral("this will make the backup to a floppy disk"));
    cmdFloppy->setGeometry(12, 96, 126, 28);
    cmdDesktop = new QPushButton(QStringLiteral("Backup to &Desktop"), this);
    cmdDesktop->setToolTip(QStringLiteral("this will make the backup to the desktop"));
    cmdDesktop->setGeometry(12, 132, 126, 28);
    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("close this window"));
    cmdExit->setGeometry(410, 348, 94, 28);

    connect(cmdFloppy, &QPushButton::clicked, this, &frmLogBackup::onFloppyClick);
    connect(cmdDesktop, &QPushButton::clicked, this, &frmLogBackup::onDesktopClick);
    connect(cmdExit, &QPushButton::clicked, this, &frmLogBackup::onExitClick);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmLogBackup::onFloppyClick()
{
    Forms::Get<frmBackupDest>().ShowModal(this);
}

void frmLogBackup::onDesktopClick()
{
    frmBackupDest &box = Forms::Get<frmBackupDest>();
    box.txtDestination->setText(QStringLiteral("C:\\Windows\\Desktop"));
    box.lblDescription->setText(frmBackupDest::kDesktopDescription);
    box.ShowModal(this);
}

void frmLogBackup::onExitClick()
{
    Unload();
}

void frmLogBackup::ShowSuccess()
{
    lblDone->show();
    lblFailed->hide();
}

void frmLogBackup::ShowFailure()
{
    lblFailed->show();
    lblDone->hide();
}
