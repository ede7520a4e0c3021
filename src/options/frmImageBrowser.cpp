#include "options/frmImageBrowser.h"

#include "platform/storage/DrivePaths.h"
#include "options/Options.h"
#include "ui/Pictures.h"
#include "ui/ScreenKit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace ui;

namespace {

const QString kStartFolder = QStringLiteral("C:\\Windows");
constexpr int kAllSupported = 6;

const QStringList kPatterns = {
    QStringLiteral("Bitmaps (*.bmp)"),
    QStringLiteral("GIF (*.gif)"),
    QStringLiteral("JPEG (*.jpg)"),
    QStringLiteral("Icons (*.ico)"),
    QStringLiteral("Matafiles (*.wmf)"),
    QStringLiteral("DIBs (*.dib)"),
    QStringLiteral("All Supported Formats (*.gif;*.jpg;*.ico;*.bmp;*.wmf;*.dib)"),
    QStringLiteral("All Files (*.*)"),
};

} // namespace

frmImageBrowser::frmImageBrowser() : Form(CaptionOnlyWindow())
{
    setObjectName("frmImageBrowser");
    setWindowTitle(QStringLiteral("Browse for image"));
    setFixedSize(600, 430);

    // The decorative words lie under everything else.
    const QColor greys[] = {QColor(232, 232, 232), QColor(208, 208, 208), QColor(176, 176, 176)};
    for (int i = 0; i < 3; ++i) {
        lblBrowse[i] = Caption(QStringLiteral("browse"), this, Verdana(20, true), greys[i]);
        lblBrowse[i]->setGeometry(224 + i * 120, 336, 116, 40);
    }

    DriveList = new DriveListBox(this);
    DriveList->setObjectName("DriveList");
    DriveList->setGeometry(12, 12, 200, 24);
    DirList = new DirListBox(this);
    DirList->setObjectName("DirList");
    DirList->setGeometry(12, 42, 200, 170);
    FileList = new FileListBox(this);
    FileList->setObjectName("FileList");
    FileList->setGeometry(12, 218, 200, 166);
    PatternCombo = new QComboBox(this);
    PatternCombo->setObjectName("PatternCombo");
    // Along the bottom, as wide as the buttons leave: the longest filter
    // names six types.
    PatternCombo->setGeometry(12, 393, 384, 26);

    FileImage = new PictureBox(this);
    FileImage->setObjectName("FileImage");
    FileImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FileImage->SetKeepProportions(true);
    FileImage->setGeometry(224, 12, 364, 240);

    lblNote = new QLabel(QStringLiteral("Select the image that you would like to be displayed when you "
                                        "apply the selected protection mode. NOTE: The image that you "
                                        "select, will be stretched to fit the screen when the protection "
                                        "mode is active."),
                         this);
    lblNote->setWordWrap(true);
    lblNote->setGeometry(224, 258, 364, 66);

    cmdAccept1 = new QPushButton(QStringLiteral("&Accept"), this);
    cmdAccept1->setObjectName("cmdAccept1");
    cmdAccept2 = new QPushButton(QStringLiteral("&Accept"), this);
    cmdAccept2->setObjectName("cmdAccept2");
    for (QPushButton *accept : {cmdAccept1, cmdAccept2}) {
        accept->setGeometry(404, 392, 88, 26);
        accept->hide(); // Options shows the one for its frame
    }
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setGeometry(500, 392, 88, 26);

    lblChosenPath = new QLabel(this);
    lblChosenPath->hide();

    connect(PatternCombo, &QComboBox::currentIndexChanged, this, &frmImageBrowser::onPatternComboClick);
    connect(DriveList, &DriveListBox::driveChosen, this, &frmImageBrowser::onDriveListChange);
    connect(DirList, &DirListBox::pathChanged, this, &frmImageBrowser::onDirListChange);
    connect(FileList, &FileListBox::fileClicked, this, &frmImageBrowser::onFileListClick);
    connect(cmdAccept1, &QPushButton::clicked, this, &frmImageBrowser::onAccept1Click);
    connect(cmdAccept2, &QPushButton::clicked, this, &frmImageBrowser::onAccept2Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmImageBrowser::onCancelClick);
}

QString frmImageBrowser::PatternOf(const QString &entry)
{
    const qsizetype open = entry.indexOf('(');
    const qsizetype close = entry.indexOf(')');
    if (open < 0 || close <= open)
        return {};
    return entry.mid(open + 1, close - open - 1);
}

void frmImageBrowser::onLoad()
{
    CentreOnScreen();
    // "C:\Windows" is made the first time the browser needs it.
    const QString start = platform::ResolvePath(kStartFolder);
    if (!start.isEmpty())
        QDir().mkpath(start);
    DirList->SetPath(kStartFolder);
    {
        const QSignalBlocker quiet(PatternCombo);
        PatternCombo->addItems(kPatterns);
    }
    PatternCombo->setCurrentIndex(kAllSupported);
}

void frmImageBrowser::onPatternComboClick()
{
    FileList->SetPattern(PatternOf(PatternCombo->currentText()));
}

void frmImageBrowser::onDriveListChange()
{
    if (DirList->SetPath(DriveList->RootOf(DriveList->Drive())))
        return;
    // Not ready: the lists stay where they were, and so does the drive shown.
    Beep();
    DriveList->ShowDriveOf(DirList->Path());
}

void frmImageBrowser::onDirListChange()
{
    FileList->SetPath(DirList->Path());
    DriveList->ShowDriveOf(DirList->Path());
}

void frmImageBrowser::onFileListClick()
{
    const QString name = FileList->FileName();
    if (name.isEmpty())
        return;
    // Joined without looking: at a drive's root the separator comes twice.
    const QString folder = FileList->Path();
    const QString fullPath = folder + platform::SeparatorOf(folder) + name;
    setWindowTitle(QStringLiteral("Browse for image [") + fullPath + "]");
    lblChosenPath->setText(fullPath);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    DoEvents();
    if (Forms::IfLoaded<frmImageBrowser>() != this) {
        // Accepted or cancelled meanwhile: nothing left to show the picture in.
        QApplication::restoreOverrideCursor();
        return;
    }
    const QImage picture = ReadPictureFile(fullPath, FileImage->size());
    QApplication::restoreOverrideCursor();
    if (picture.isNull()) {
        // The preview keeps the previous picture; the chosen path names this file.
        Beep();
        MsgBox(QStringLiteral("The selected file is either a corrupt graphic file or the file is in an "
                              "unsupported format!"),
               platform::MsgButtons::OK, platform::MsgIcon::Critical, kAppTitle, this);
        return;
    }
    FileImage->SetPicture(picture);
}

void frmImageBrowser::onAccept1Click()
{
    Forms::Get<Options>().txtNormalPath->setText(lblChosenPath->text());
    Unload();
}

void frmImageBrowser::onAccept2Click()
{
    Forms::Get<Options>().txtNtPath->setText(lblChosenPath->text());
    Unload();
}

void frmImageBrowser::onCancelClick()
{
    Unload();
}
