#include "protection/frmProtection.h"

#include "lock/LockStarter.h"
#include "platform/autostart/RegStuff.h"
#include "platform/funct.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/frmRequest.h"
#include "ui/modTrayIcon.h"

using namespace ui;

namespace {

const QString kRequestText = QStringLiteral(
    "If you need a specialized protection mode, please click the button below, and send us all "
    "the details about the protection mode you need. (Example: I want that when the protection "
    "is applied that the desktop remains visible but locked. Example2:  I currently have shared "
    "folders on my computer, when I apply the normal desktop protection, I want to have an "
    "option to disable file and printer sharing, so, when I have my desktop locked, no one can "
    "get my shared files...)");

// Main buttons: left edge and the pixel tops that line them up with the arrow.
constexpr int kButtonLeft = 146;
constexpr int kButtonWidth = 124;
constexpr int kButtonHeight = 26;
constexpr int kRightLeft = 290;
constexpr int kRightWidth = 334;

HoverButton *MainButton(const QString &caption, QWidget *parent, int arrowTopTwips)
{
    auto *button = new HoverButton(caption, parent);
    // Centred on the arrow, which is 255 twips (17 pixels) high.
    const int top = Twips(arrowTopTwips) + Twips(255) / 2 - kButtonHeight / 2;
    button->setGeometry(kButtonLeft, top, kButtonWidth, kButtonHeight);
    return button;
}

LinkLabel *DescriptionArea(QWidget *parent)
{
    auto *area = new LinkLabel(QString(), parent);
    area->setWordWrap(true);
    area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->setFont(Verdana(8));
    return area;
}

} // namespace

int frmProtection::ArrowTopTwips(const HoverButton *button) const
{
    if (button == cmdNormal)
        return 1725;
    if (button == cmdNtStyle)
        return 2130;
    if (button == cmdStartupLock)
        return 2520;
    return 3540;
}

frmProtection::frmProtection() : Form(PageWindow())
{
    navBar = BuildNavigationPage(this, QStringLiteral("System Protection - Gardlock 2001"), QSize(640, 420),
                                 NavPage::ProtectDesktop, QStringLiteral("protection modes"));

    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("Click here to exit."));
    cmdExit->setGeometry(530, 376, 94, 28);
    cmdNormal = MainButton(QStringLiteral("&Normal"), this, 1725);
    cmdNtStyle = MainButton(QStringLiteral("NT &Style"), this, 2130);
    cmdRequest = MainButton(QStringLiteral("&Request"), this, 3540);
    cmdStartupLock = MainButton(QStringLiteral("St&artup Lock"), this, 2520);

    lblArrow = new QLabel(QStringLiteral("\u25B6"), this); // Marlett's "4": a right-pointing triangle
    lblArrow->setFont(Verdana(9.75));
    lblArrow->setAlignment(Qt::AlignCenter);
    lblArrow->setGeometry(Twips(kArrowLeftTwips), Twips(1725), Twips(165), Twips(255));
    lblArrow->hide();

    lblDescription = DescriptionArea(this);
    lblDescription->setGeometry(kRightLeft, 96, kRightWidth, 84);

    lblChoiceHeading =
        Caption(QStringLiteral("Select the protection mode you would like to use:"), this, Verdana(8, true));
    lblChoiceHeading->setGeometry(kRightLeft, 186, kRightWidth, 18);
    lblChoiceHeading->hide();
    lblChoiceNormal = Link(QStringLiteral("Normal"), this);
    lblChoiceNormal->setFont(Verdana(8));
    lblChoiceNormal->setGeometry(kRightLeft + 12, 208, 70, 18);
    lblChoiceNormal->hide();
    lblChoiceNtStyle = Link(QStringLiteral("NT Style"), this);
    lblChoiceNtStyle->setFont(Verdana(8));
    lblChoiceNtStyle->setGeometry(kRightLeft + 96, 208, 80, 18);
    lblChoiceNtStyle->hide();

    const auto startupFrame = [this](const QString &title, const QString &upper, const QString &lower,
                                     HoverButton *&upperButton, HoverButton *&lowerButton) {
        auto *frame = new QGroupBox(title, this);
        frame->setGeometry(kRightLeft, 234, 200, 100);
        upperButton = new HoverButton(upper, frame);
        upperButton->setGeometry(10, 24, 180, 28);
        lowerButton = new HoverButton(lower, frame);
        lowerButton->setGeometry(10, 60, 180, 28);
        frame->hide();
        return frame;
    };
    fraNormalStartup =
        startupFrame(QStringLiteral("Normal Startup Lock"), QStringLiteral("En&able Startup Lock"),
                     QStringLiteral("&Disable Startup Lock"), cmdEnableStartupLock, cmdDisableStartupLock);
    fraNtStartup = startupFrame(QStringLiteral("NT Startup Lock"), QStringLiteral("Enable N&T Startup Lock"),
                                QStringLiteral("Disa&ble NT Startup Lock"), cmdEnableNtStartupLock,
                                cmdDisableNtStartupLock);
    lblStartupDescription = DescriptionArea(this);
    lblStartupDescription->setGeometry(kRightLeft + 208, 240, kRightWidth - 208, 96);

    imgInformation = InformationIcon(this);
    imgInformation->move(16, 370);
    lblInstructions =
        Caption(QStringLiteral("If you pass your mouse cursor over the buttons on the side, a description "
                               "will appear for each protection mode.") +
                    QString(35, QChar(' ')) +
                    QStringLiteral("If you would like that a certain protection mode starts every time "
                                   "Windows loads, click the 'startup' button."),
                this, Verdana(7.5), kDarkGrey);
    lblInstructions->setWordWrap(true);
    lblInstructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInstructions->setGeometry(12, 96, 118, 262);

    // "&Exit" first, then the main buttons; "St&artup Lock" last.
    setTabOrder(cmdExit, cmdNormal);
    setTabOrder(cmdNormal, cmdNtStyle);
    setTabOrder(cmdNtStyle, cmdRequest);
    setTabOrder(cmdRequest, cmdStartupLock);

    connect(cmdNormal, &QPushButton::clicked, this, &frmProtection::onNormalClick);
    connect(cmdNtStyle, &QPushButton::clicked, this, &frmProtection::onNtStyleClick);
    connect(cmdRequest, &QPushButton::clicked, this, &frmProtection::onRequestClick);
    connect(cmdExit, &QPushButton::clicked, this, &frmProtection::onExitClick);
    connect(lblChoiceNormal, &LinkLabel::clicked, this, &frmProtection::onChoiceNormalClick);
    connect(lblChoiceNtStyle, &LinkLabel::clicked, this, &frmProtection::onChoiceNtStyleClick);
    connect(cmdEnableStartupLock, &QPushButton::clicked, this, &frmProtection::onEnableStartupLockClick);
    connect(cmdDisableStartupLock, &QPushButton::clicked, this, &frmProtection::onDisableStartupLockClick);
    connect(cmdEnableNtStartupLock, &QPushButton::clicked, this, &frmProtection::onEnableNtStartupLockClick);
    connect(cmdDisableNtStartupLock, &QPushButton::clicked, this,
            &frmProtection::onDisableNtStartupLockClick);
    connect(imgInformation, &LinkLabel::clicked, this, &frmProtection::onInformationClick);
    for (HoverButton *b : {cmdNormal, cmdNtStyle, cmdStartupLock, cmdRequest})
        connect(b, &HoverButton::mouseMoved, this, [this, b] { onMainButtonMouseMove(b); });
    for (HoverButton *b :
         {cmdEnableStartupLock, cmdDisableStartupLock, cmdEnableNtStartupLock, cmdDisableNtStartupLock})
        connect(b, &HoverButton::mouseMoved, this, [this, b] { onStartupButtonMouseMove(b); });
    for (LinkLabel *l : {lblChoiceNormal, lblChoiceNtStyle})
        connect(l, &LinkLabel::mouseMoved, this, [this, l] { onChoiceLinkMouseMove(l); });
    connect(lblDescription, &LinkLabel::mouseMoved, this, &frmProtection::onBackgroundMouseMove);
    connect(this, &Form::backgroundMouseMoved, this, &frmProtection::onBackgroundMouseMove);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmProtection::onNormalClick()
{
    StartLockByHand(LockKind::Normal, *this);
}

void frmProtection::onNtStyleClick()
{
    StartLockByHand(LockKind::NtStyle, *this);
}

void frmProtection::onRequestClick()
{
    frmRequest &request = Forms::Get<frmRequest>();
    request.SetHeading(QStringLiteral("Request New Protection Mode"));
    request.SetText(kRequestText);
    request.ShowOwned(this);
}

void frmProtection::onExitClick()
{
    DeleteTrayIcon();
    EndProgram();
}

void frmProtection::onChoiceNormalClick()
{
    fraNormalStartup->show();
    fraNtStartup->hide();
}

void frmProtection::onChoiceNtStyleClick()
{
    fraNtStartup->show();
    fraNormalStartup->hide();
}

namespace {

// The choice the user just made did not take: said at once, over the screen.
void SayStartupLockUnchanged(bool arming, QWidget *owner)
{
    const QString text =
        arming ? QStringLiteral("The lock could not be set to start with your session: its start-up entry "
                                "could not be written in %1.")
               : QStringLiteral("The lock could not be stopped from starting with your session: its start-up "
                                "entry in %1 could not be removed.");
    MsgBox(text.arg(StartupFolder()), platform::MsgButtons::OK, platform::MsgIcon::Exclamation, QString(),
           owner);
}

} // namespace

void frmProtection::onEnableStartupLockClick()
{
    if (!AddServiceStartup(startup_commands::ArmedLock(LockKind::Normal)))
        SayStartupLockUnchanged(true, this);
}

void frmProtection::onDisableStartupLockClick()
{
    if (!RemoveServiceStartup(startup_commands::ArmedLock(LockKind::Normal)))
        SayStartupLockUnchanged(false, this);
}

void frmProtection::onEnableNtStartupLockClick()
{
    if (!AddServiceStartup(startup_commands::ArmedLock(LockKind::NtStyle)))
        SayStartupLockUnchanged(true, this);
}

void frmProtection::onDisableNtStartupLockClick()
{
    if (!RemoveServiceStartup(startup_commands::ArmedLock(LockKind::NtStyle)))
        SayStartupLockUnchanged(false, this);
}

void frmProtection::onInformationClick()
{
    ShowInformation(QStringLiteral("Did you know?"), QStringLiteral("NT Style Text Editor"),
                    QStringLiteral("You can change all the text messages that are displayed when "
                                   "you apply the NT Style protection mode by accesing the Text "
                                   "Editor in the program options."));
}

void frmProtection::onMainButtonMouseMove(HoverButton *button)
{
    static const QString kDescriptions[] = {
        QStringLiteral("This will lock your system until a user enters the correct password. "
                       "Also, if after locking your system with this mode, you re-start or "
                       "shutdown your machine without unlocking first, when Windows starts "
                       "again, it will be automatically locked again."),
        QStringLiteral("Simulates the WindowsNT system lock screen. Also, if after locking your "
                       "system with this mode, you re-start or shutdown your machine without "
                       "unlocking first, when Windows starts again, it will be automatically "
                       "locked again."),
        QStringLiteral("This will allow you to protect your system automatically every time "
                       "Windows loads."),
        QStringLiteral("Click this button to request a new protection mode to be added."),
    };
    const int index = button == cmdNormal ? 0 : button == cmdNtStyle ? 1 : button == cmdStartupLock ? 2 : 3;

    lblDescription->setText(kDescriptions[index]);
    lblArrow->move(Twips(kArrowLeftTwips), Twips(ArrowTopTwips(button)));
    lblArrow->show();
    button->setFocus();
    fraNtStartup->hide();
    lblStartupDescription->hide();
    fraNormalStartup->hide();
    const bool choosing = button == cmdStartupLock;
    lblChoiceHeading->setVisible(choosing);
    lblChoiceNormal->setVisible(choosing);
    lblChoiceNtStyle->setVisible(choosing);
}

void frmProtection::onStartupButtonMouseMove(HoverButton *button)
{
    lblStartupDescription->show();
    if (button == cmdEnableStartupLock)
        lblStartupDescription->setText(
            QStringLiteral("This will lock your system everytime Windows starts using the Normal lock."));
    else if (button == cmdDisableStartupLock)
        lblStartupDescription->setText(QStringLiteral("This will disable the Normal startup protection."));
    else if (button == cmdEnableNtStartupLock)
        lblStartupDescription->setText(
            QStringLiteral("This will lock your system everytime Windows starts using the NT Style lock."));
    else
        lblStartupDescription->setText(QStringLiteral("This will disable the NT Syle startup protection."));
}

void frmProtection::onChoiceLinkMouseMove(LinkLabel *link)
{
    link->SetColour(kBlue);
}

void frmProtection::onBackgroundMouseMove()
{
    lblChoiceNormal->SetColour(kBlack);
    lblChoiceNtStyle->SetColour(kBlack);
}
