#include "mainscreen/frmMain.h"
#include "platform/ProcessFacts.h"

#include "rules/PasswordStore.h"
#include "platform/instance/InstanceGuard.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "ui/Information.h"
#include "ui/MakerContacts.h"
#include "ui/NavigationBar.h"
#include "ui/Pages.h"
#include "ui/ScreenKit.h"
#include "ui/frmRequest.h"
#include "ui/modTrayIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>

using namespace ui;

namespace {

const QString kWelcomeText =
    QStringLiteral("Welcome to Gardlock 2001. This is the first time that you are running this program, so, "
                   "you need to set a password before using any protection modes. This password will be used "
                   "to unlock your computer when you use any protection mode. You can also change this "
                   "password whenever you want by going to the Password Settings screen. To get to the "
                   "Password Settings screen at a later time, open Deskward, and on the left side of the "
                   "screen, a series on links will appear, click the one that says 'Password Settings'.");

const QString kRequestHeading = QStringLiteral("Request New Feature or Improvement");
const QString kRequestText =
    QStringLiteral("You can send us a request for a new feature if you want something special and this "
                   "program does not have that feature you want. You can also send  us a request for an "
                   "improvement of a certain feature or interface of the program if you think that something "
                   "is not in place, or something should be better, etc. Please describe with full details "
                   "all your requests. You can make multiple requests.");

constexpr int kLeftX = 24;
constexpr int kRightX = 236;
constexpr int kColumnTop = 112;

} // namespace

frmMain::frmMain() : Form(CaptionOnlyWindow())
{
    setWindowTitle(app::Title());
    setWindowIcon(ProgramIcon());
    setFixedSize(640, 430);

    navBar = new NavigationBar(this, NavPage::Home, this);
    navBar->setGeometry(0, 0, width(), NavigationBar::kHeight);

    // The decorative title: three offset copies give the shadow.
    const QFont titleFont = Verdana(30, true);
    Caption(QStringLiteral("welcome"), this, titleFont, kLighterGrey)->setGeometry(28, 36, 300, 56);
    Caption(QStringLiteral("welcome"), this, titleFont, kLightGrey)->setGeometry(25, 33, 300, 56);
    Caption(QStringLiteral("welcome"), this, titleFont, kBlack)->setGeometry(22, 30, 300, 56);

    auto leftLink = [this](const QString &text, int row, int pixmap, LinkLabel *&icon) {
        icon = LinkIcon(this, pixmap);
        icon->move(kLeftX, kColumnTop + row * 36 + 1);
        LinkLabel *link = Link(text, this);
        link->setFont(Verdana(9));
        link->setGeometry(kLeftX + 26, kColumnTop + row * 36, 160, 20);
        icon->setAccessibleName(text);
        connect(link, &LinkLabel::mouseMoved, this, [this, link] { onLinkMouseMove(link); });
        return link;
    };
    lblAdvancedOptions =
        leftLink(QStringLiteral("Advanced Options"), 0, QStyle::SP_ComputerIcon, imgAdvancedOptions);
    lblPasswordSettings =
        leftLink(QStringLiteral("Password Settings"), 1, QStyle::SP_DialogApplyButton, imgPasswordSettings);
    lblProtectionModes =
        leftLink(QStringLiteral("Protection Modes"), 2, QStyle::SP_DriveHDIcon, imgProtectionModes);
    lblOptions = leftLink(QStringLiteral("Options"), 3, QStyle::SP_FileDialogDetailedView, imgOptions);
    lblViewLog = leftLink(QStringLiteral("View log"), 4, QStyle::SP_FileIcon, imgViewLog);
    lblStart = leftLink(QStringLiteral("Start"), 5, QStyle::SP_MediaPlay, imgStart);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setGeometry(kRightX - 20, kColumnTop, 2, 210);

    auto infoLine = [this](const QString &text, int row, int pixmap, LinkLabel *&icon) {
        icon = LinkIcon(this, pixmap);
        icon->move(kRightX, kColumnTop + row * 44 + 1);
        LinkLabel *line = Link(text, this);
        line->setFont(Verdana(8));
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->setGeometry(kRightX + 26, kColumnTop + row * 44, 360, 36);
        icon->setAccessibleName(text);
        connect(line, &LinkLabel::mouseMoved, this, [this, line] { onInformationLineMouseMove(line); });
        return line;
    };
    lblInformation =
        infoLine(QStringLiteral("When you see this icon, you can click it to get important information."), 0,
                 QStyle::SP_MessageBoxInformation, imgInformation);
    lblSupport = infoLine(QStringLiteral("Click me to connect to the internet and get support."), 1,
                          QStyle::SP_DriveNetIcon, imgSupport);
    lblRequest = infoLine(QStringLiteral("Click me if you think that this program is missing "
                                         "features that you would like to have."),
                          2, QStyle::SP_FileDialogNewFolder, imgRequest);
    lblUpdate =
        infoLine(QStringLiteral("Click me to check for updates."), 3, QStyle::SP_BrowserReload, imgUpdate);
    lblAbout = infoLine(QStringLiteral("About - Click me to read program info such as version number, etc."),
                        4, QStyle::SP_MessageBoxQuestion, imgAbout);

    cmdNext = new QPushButton(QStringLiteral("Nex&t >>"), this);
    cmdNext->setToolTip(QStringLiteral("Click here to begin"));
    cmdNext->setGeometry(420, 384, 100, 28);
    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("Click here to exit the program"));
    cmdExit->setGeometry(528, 384, 96, 28);

    connect(navBar->lblMinimize, &LinkLabel::clicked, this, &frmMain::onMinimizeToTrayClick);
    connect(lblAdvancedOptions, &LinkLabel::clicked, this, &frmMain::onAdvancedOptionsClick);
    for (LinkLabel *w : {lblPasswordSettings, imgPasswordSettings})
        connect(w, &LinkLabel::clicked, this, &frmMain::onPasswordSettingsClick);
    for (LinkLabel *w : {lblProtectionModes, imgProtectionModes})
        connect(w, &LinkLabel::clicked, this, &frmMain::onProtectionModesClick);
    for (LinkLabel *w : {lblOptions, imgOptions})
        connect(w, &LinkLabel::clicked, this, &frmMain::onOptionsClick);
    for (LinkLabel *w : {lblViewLog, imgViewLog})
        connect(w, &LinkLabel::clicked, this, &frmMain::onViewLogClick);
    connect(lblStart, &LinkLabel::clicked, this, &frmMain::onStartClick);
    for (LinkLabel *w : {lblInformation, imgInformation})
        connect(w, &LinkLabel::clicked, this, &frmMain::onInformationLineClick);
    for (LinkLabel *w : {lblSupport, imgSupport})
        connect(w, &LinkLabel::clicked, this, &frmMain::onSupportLineClick);
    for (LinkLabel *w : {lblRequest, imgRequest})
        connect(w, &LinkLabel::clicked, this, &frmMain::onRequestLineClick);
    for (LinkLabel *w : {lblUpdate, imgUpdate})
        connect(w, &LinkLabel::clicked, this, &frmMain::onUpdateLineClick);
    for (LinkLabel *w : {lblAbout, imgAbout})
        connect(w, &LinkLabel::clicked, this, &frmMain::onAboutLineClick);
    connect(cmdNext, &QPushButton::clicked, this, &frmMain::onNextClick);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::onExitClick);
    connect(this, &Form::backgroundMouseMoved, this, &frmMain::onBackgroundMouseMove);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmMain::onLoad()
{
    // Single-instance guard. Only an answer from this user's earlier copy
    // ends this one. When the guard cannot tell (an unsafe folder, another
    // user's socket, said on stderr) this copy runs unguarded: ending it would
    // let anyone who can leave a file there close the main screen and the tray.
    switch (platform::ClaimInstance()) {
    case platform::InstanceState::First:
    case platform::InstanceState::Unavailable:
        setWindowTitle(app::Title());
        // A later copy started for the Log Viewer moves this one there.
        platform::OnShowLogRequest([] { MoveToNavPage(NavPage::ViewLog); });
        return;
    case platform::InstanceState::EarlierCopyRuns: {
        if (s_loadedForLog) {
            platform::ShowLogInEarlierCopy();
            EndProgram();
            return;
        }
        const QString kept = app::Title();
        // Renamed first, so that the activation cannot pick this copy.
        app::SetTitle(QStringLiteral("#$#"));
        setWindowTitle(QStringLiteral("#$#"));
        platform::ActivateEarlierCopy(kept);
        EndProgram();
        return;
    }
    }
}

void frmMain::OpenLogViewer()
{
    s_loadedForLog = true;
    Forms::Get<frmMain>(); // its load runs the one-copy guard
    s_loadedForLog = false;
    ShowNavPage(NavPage::ViewLog);
}

void frmMain::onUnload()
{
    RunPageRestoringSteps();
    ShowStartButton();
}

void frmMain::HideAndShow(NavPage page)
{
    hide();
    ShowNavPage(page);
}

void frmMain::onMinimizeToTrayClick()
{
    hide();
    AddTrayIcon();
}

void frmMain::onAdvancedOptionsClick()
{
    // A separate program beside this one; without it the link does nothing.
    const QString program = QDir(app::Path()).filePath(QStringLiteral("advanced.exe"));
    if (QFileInfo(program).isFile())
        platform::services().launcher->StartProgram(program, {QStringLiteral("/t")});
}

void frmMain::onPasswordSettingsClick()
{
    HideAndShow(NavPage::PasswordSettings);
}

void frmMain::onProtectionModesClick()
{
    HideAndShow(NavPage::ProtectDesktop);
}

void frmMain::onOptionsClick()
{
    HideAndShow(NavPage::Options);
}

void frmMain::onViewLogClick()
{
    HideAndShow(NavPage::ViewLog);
}

void frmMain::onStartClick()
{
    FirstRunCheck(FirstRunCaller::Start);
}

void frmMain::onInformationLineClick()
{
    ShowInformation();
}

void frmMain::onSupportLineClick()
{
    OpenDocument(maker::kSupportPage);
}

void frmMain::onRequestLineClick()
{
    frmRequest &request = Forms::Get<frmRequest>();
    request.SetHeading(kRequestHeading);
    request.SetText(kRequestText);
    request.ShowOwned(this);
}

void frmMain::onUpdateLineClick()
{
    pages::Bring(Page::OnlineUpdate);
}

void frmMain::onAboutLineClick()
{
    pages::Bring(Page::About);
}

void frmMain::onNextClick()
{
    FirstRunCheck(FirstRunCaller::Next);
}

void frmMain::onExitClick()
{
    DeleteTrayIcon();
    EndProgram();
}

void frmMain::FirstRunCheck(FirstRunCaller caller)
{
    // Only whether the file loads matters: an empty file counts as a password.
    // Nothing of it is read into this screen, which stays loaded all day.
    if (PasswordFileLoads()) {
        HideAndShow(NavPage::ProtectDesktop);
        return;
    }
    hide();
    if (caller == FirstRunCaller::Next) {
        MsgBox(QStringLiteral("You have not set a password.") + QChar(10) +
                   QStringLiteral("You must set a password now in order to use and apply the "
                                  "protection features this program has. Click the OK button to "
                                  "set a password now."),
               platform::MsgButtons::OK, platform::MsgIcon::Information, QStringLiteral("Password Settings"));
        pages::Load(Page::PasswordSettings).ShowOwned(this);
        return;
    }
    pages::Load(Page::PasswordSettings).ShowOwned(this);
    ShowInformation(QStringLiteral("Welcome to Gardlock 2001"), QStringLiteral("Welcome!"), kWelcomeText);
}

void frmMain::orderTabs()
{
    const QList<QWidget *> order{navBar->lblHome,
                                 navBar->lblPasswordSettings,
                                 navBar->lblViewLog,
                                 navBar->lblProtect,
                                 navBar->lblHelp,
                                 navBar->lblMinimize,
                                 lblAdvancedOptions,
                                 lblPasswordSettings,
                                 lblProtectionModes,
                                 lblOptions,
                                 lblViewLog,
                                 lblStart,
                                 lblInformation,
                                 lblSupport,
                                 lblRequest,
                                 lblUpdate,
                                 lblAbout,
                                 cmdNext,
                                 cmdExit};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The screen opens on "Nex&t >>" as it always has.
    if (!focusWidget())
        cmdNext->setFocus(Qt::OtherFocusReason);
}

QList<LinkLabel *> frmMain::LeftLinks() const
{
    return {lblStart, lblPasswordSettings, lblAdvancedOptions, lblViewLog, lblOptions, lblProtectionModes};
}

QList<LinkLabel *> frmMain::InformationLines() const
{
    return {lblInformation, lblSupport, lblRequest, lblUpdate, lblAbout};
}

void frmMain::onLinkMouseMove(LinkLabel *link)
{
    link->SetUnderline(true);
}

void frmMain::onInformationLineMouseMove(LinkLabel *line)
{
    line->SetColour(kBlue);
}

void frmMain::onBackgroundMouseMove()
{
    for (LinkLabel *line : InformationLines())
        line->SetColour(kBlack);
    for (LinkLabel *link : LeftLinks())
        link->SetUnderline(false);
}
