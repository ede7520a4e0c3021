#include "options/Options.h"

#include "options/EditTextNT.h"
#include "platform/autostart/RegStuff.h"
#include "platform/funct.h"
#include "platform/storage/Settings.h"
#include "options/frmImageBrowser.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace ui;

namespace {

const QString kEnabled = QStringLiteral("Enabled");
const QString kDisabled = QStringLiteral("Disabled");

struct BackgroundFrame {
    QGroupBox *frame;
    QLabel *location;
    QLineEdit *path;
    QPushButton *browse, *save, *none;
};

BackgroundFrame MakeBackgroundFrame(const QString &title, const QString &prefix, QWidget *parent, int top)
{
    BackgroundFrame f;
    f.frame = new QGroupBox(title, parent);
    f.frame->setGeometry(12, top, 456, 84);
    f.location = new QLabel(QStringLiteral("Location:"), f.frame);
    f.location->setGeometry(12, 26, 60, 20);
    f.path = new QLineEdit(f.frame);
    f.path->setObjectName("txt" + prefix + "Path");
    f.path->setGeometry(76, 24, 366, 22);
    f.browse = new QPushButton(QStringLiteral("browse..."), f.frame);
    f.save = new QPushButton(QStringLiteral("Save"), f.frame);
    f.none = new QPushButton(QStringLiteral("None"), f.frame);
    int left = 76;
    for (QPushButton *button : {f.browse, f.save, f.none}) {
        button->setObjectName("cmd" + prefix + button->text().remove('.'));
        button->setGeometry(left, 52, 80, 24);
        left += 88;
    }
    return f;
}

} // namespace

Options::Options() : Form(CaptionOnlyWindow())
{
    setObjectName("Options");
    setWindowTitle(QStringLiteral("Options - Gardlock 2001"));
    setFixedSize(480, 416);

    navBar = new NavigationBar(this, NavPage::Options, this);
    navBar->setGeometry(0, 0, width(), NavigationBar::kHeight);
    // Options is the one page that unloads itself on navigation.
    navBar->SetLeaveAction([this] { Unload(); });

    const BackgroundFrame normal =
        MakeBackgroundFrame(QStringLiteral("Normal Lock Background"), QStringLiteral("Normal"), this, 34);
    fraNormal = normal.frame;
    lblNormalLocation = normal.location;
    txtNormalPath = normal.path;
    cmdNormalBrowse = normal.browse;
    cmdNormalSave = normal.save;
    cmdNormalNone = normal.none;
    const BackgroundFrame nt =
        MakeBackgroundFrame(QStringLiteral("NT Style Lock Background"), QStringLiteral("Nt"), this, 126);
    fraNtStyle = nt.frame;
    lblNtLocation = nt.location;
    txtNtPath = nt.path;
    cmdNtBrowse = nt.browse;
    cmdNtSave = nt.save;
    cmdNtNone = nt.none;

    fraTray = new QGroupBox(QStringLiteral("Tray Icon Settings"), this);
    fraTray->setGeometry(12, 218, 456, 72);
    chkTrayIcon = new QCheckBox(QStringLiteral("Auto-load tray icon with Windows"), fraTray);
    chkTrayIcon->setObjectName("chkTrayIcon");
    chkTrayIcon->setGeometry(12, 22, 300, 20);
    lblLoadNow = Link(QStringLiteral("load now"), fraTray, kBlue);
    lblLoadNow->SetUnderline(true);
    lblLoadNow->setGeometry(14, 46, 70, 18);
    lblUnloadNow = Link(QStringLiteral("unload now"), fraTray, kBlue);
    lblUnloadNow->SetUnderline(true);
    lblUnloadNow->setGeometry(96, 46, 90, 18);

    fraTextEditor = new QGroupBox(QStringLiteral("NT Style Text Editor"), this);
    fraTextEditor->setGeometry(12, 298, 456, 72);
    lblEditText = Link(QStringLiteral("edit text"), fraTextEditor, kBlue);
    lblEditText->setObjectName("lblEditText");
    lblEditText->SetUnderline(true);
    lblEditText->setGeometry(14, 22, 70, 18);
    lblEditNote = new QLabel(
        QStringLiteral("This will let you edit the text that appears in the NT Style Protection Mode."),
        fraTextEditor);
    lblEditNote->setWordWrap(true);
    lblEditNote->setGeometry(14, 40, 430, 30);

    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setObjectName("cmdExit");
    cmdExit->setGeometry(388, 380, 80, 26);

    lblTrayState = new QLabel(kDisabled, this);
    lblTrayState->hide();

    connect(chkTrayIcon, &QCheckBox::toggled, this, &Options::onTrayIconClick);
    connect(cmdNormalBrowse, &QPushButton::clicked, this, &Options::onNormalBrowseClick);
    connect(cmdNormalSave, &QPushButton::clicked, this, &Options::onNormalSaveClick);
    connect(cmdNormalNone, &QPushButton::clicked, this, &Options::onNormalNoneClick);
    connect(cmdNtBrowse, &QPushButton::clicked, this, &Options::onNtBrowseClick);
    connect(cmdNtSave, &QPushButton::clicked, this, &Options::onNtSaveClick);
    connect(cmdNtNone, &QPushButton::clicked, this, &Options::onNtNoneClick);
    connect(lblEditText, &LinkLabel::clicked, this, &Options::onEditTextClick);
    connect(lblLoadNow, &LinkLabel::clicked, this, &Options::onLoadNowClick);
    connect(lblUnloadNow, &LinkLabel::clicked, this, &Options::onUnloadNowClick);
    connect(cmdExit, &QPushButton::clicked, this, &Options::onExitClick);
}

void Options::onLoad()
{
    CentreOnScreen();
    txtNormalPath->setText(settings::Read(settings::Background1));
    txtNtPath->setText(settings::Read(settings::Background2));
    lblTrayState->setText(settings::Read(settings::TrayIcon));
    // Anything but exactly "Disabled" counts as enabled; ticking the box runs
    // its handling, so such a value is written back as "Enabled".
    chkTrayIcon->setChecked(lblTrayState->text() != kDisabled);
}

namespace {

// A choice the user just made that did not take is said at once, over the screen.
void SayNotTaken(const QString &text, QWidget *owner)
{
    MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Exclamation, QString(), owner);
}

void SaySettingNotSaved(const QString &what, QWidget *owner)
{
    SayNotTaken(
        QStringLiteral("The %1 could not be saved: %2 could not be written.").arg(what, settings::FilePath()),
        owner);
}

} // namespace

// Only the start with the next session changes; the icon shown now stays.
// The stored state and the start-up entry are both tried; the user hears
// once if either did not take.
void Options::onTrayIconClick()
{
    const bool enable = chkTrayIcon->isChecked();
    const bool stored = settings::Write(settings::TrayIcon, enable ? kEnabled : kDisabled);
    lblTrayState->setText(enable ? kEnabled : kDisabled);
    const bool entry =
        enable ? AddRunStartup(startup_commands::kTrayIcon) : RemoveRunStartup(startup_commands::kTrayIcon);
    if (!entry)
        SayNotTaken(enable
                        ? QStringLiteral("The tray icon could not be set to load with your session: its "
                                         "start-up entry could not be written in %1.")
                              .arg(StartupFolder())
                        : QStringLiteral("The tray icon could not be stopped from loading with your session: "
                                         "its start-up entry in %1 could not be removed.")
                              .arg(StartupFolder()),
                    this);
    else if (!stored)
        SaySettingNotSaved(QStringLiteral("tray icon setting"), this);
}

void Options::onNormalBrowseClick()
{
    Browse(txtNormalPath, true);
}

// The path is stored as typed: the lock meets a bad one when it loads it.
// A picture that could not be stored would leave the lock showing the old
// one, so the user hears at once.
void Options::onNormalSaveClick()
{
    if (!settings::Write(settings::Background1, txtNormalPath->text()))
        SaySettingNotSaved(QStringLiteral("background picture"), this);
}

void Options::onNormalNoneClick()
{
    txtNormalPath->clear();
    if (!settings::Write(settings::Background1, QString()))
        SaySettingNotSaved(QStringLiteral("background picture"), this);
}

void Options::onNtBrowseClick()
{
    Browse(txtNtPath, false);
}

void Options::onNtSaveClick()
{
    if (!settings::Write(settings::Background2, txtNtPath->text()))
        SaySettingNotSaved(QStringLiteral("background picture"), this);
}

void Options::onNtNoneClick()
{
    txtNtPath->clear();
    if (!settings::Write(settings::Background2, QString()))
        SaySettingNotSaved(QStringLiteral("background picture"), this);
}

void Options::onEditTextClick()
{
    EditTextNT &editor = Forms::Get<EditTextNT>();
    // Beside Options, on the side with more room, so that both stay in view
    // as far as the screen allows.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QRect mine = frameGeometry();
        const int roomRight = area.right() - mine.right();
        const int roomLeft = mine.left() - area.left();
        const int wide = editor.frameGeometry().width() + 8;
        const int left = roomRight >= roomLeft ? qMin(mine.right() + 8, area.right() - wide + 8)
                                               : qMax(mine.left() - wide, area.left());
        editor.move(left, qMax(y(), area.top()));
    }
    editor.show();
    editor.raise();
    editor.activateWindow();
}

void Options::onLoadNowClick()
{
    AddTrayIcon();
}

void Options::onUnloadNowClick()
{
    DeleteTrayIcon();
}

void Options::onExitClick()
{
    DeleteTrayIcon();
    EndProgram(0);
}

void Options::Browse(QLineEdit *pathBox, bool normalLock)
{
    frmImageBrowser &browser = Forms::Get<frmImageBrowser>();
    browser.show();
    browser.raise();
    browser.activateWindow();
    browser.cmdAccept1->setVisible(normalLock);
    browser.cmdAccept2->setVisible(!normalLock);
    browser.lblChosenPath->setText(pathBox->text());
    // An empty path empties the preview; one that names no picture leaves
    // it as it was, silently.
    browser.FileImage->LoadPicture(pathBox->text());
}
