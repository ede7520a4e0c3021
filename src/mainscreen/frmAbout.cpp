#include "mainscreen/frmAbout.h"

#include "platform/funct.h"
#include "ui/Information.h"
#include "ui/MakerContacts.h"
#include "ui/Pages.h"
#include "ui/ScreenKit.h"

#include <QIcon>

using namespace ui;

namespace {

const QString kWindows95Note =
    QStringLiteral("Gardlock 2001 can run under Windows 95, but not all functions will work properly. The "
                   "startup protection mode doesn't work under Windows 95. Also under Windows 95, if you "
                   "re-start/shutdown your machine while having your system locked, your machine will not be "
                   "locked when you turn it on, this only happens under Windows 95. Gardlock 2001 fully "
                   "supports and work correctly under Windows 98, Windows 98: Second Edition, and Windows ME "
                   "(Millenium Edition).");

} // namespace

frmAbout::frmAbout() : Form(CaptionOnlyWindow())
{
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(420, 330);

    // Banner: the product's picture and name on a dark strip.
    auto *banner = new QWidget(this);
    banner->setGeometry(0, 0, 420, 72);
    banner->setAutoFillBackground(true);
    QPalette bp = banner->palette();
    bp.setColor(QPalette::Window, kNavy);
    banner->setPalette(bp);
    imgBanner = new QLabel(banner);
    imgBanner->setPixmap(ProgramIcon().pixmap(48, 48));
    imgBanner->setGeometry(14, 12, 48, 48);
    QLabel *product =
        Caption(QStringLiteral("Gardlock 2001"), banner, Verdana(18, true), QColor(255, 255, 255));
    product->setGeometry(76, 18, 330, 36);

    lblVersion = Caption(QStringLiteral("Version: 2001 (2.00)"), this, Verdana(9, true));
    lblVersion->setGeometry(20, 86, 380, 20);
    lblRelease = Caption(QStringLiteral("February 21, 2001. 8:05pm EST"), this, Verdana(8));
    lblRelease->setGeometry(20, 108, 380, 18);
    lblSystems = Caption(QStringLiteral("For Windows 95*/98/98SE/ME"), this, Verdana(8));
    lblSystems->setGeometry(20, 128, 300, 18);
    imgInformation = InformationIcon(this);
    imgInformation->move(366, 112);
    lblMaker = Caption(maker::kName, this, Verdana(8, true));
    lblMaker->setGeometry(20, 150, 380, 18);

    lblSupportHeading =
        Caption(QStringLiteral("Support Information:"), this, Verdana(8, true), QColor(128, 128, 128));
    lblSupportHeading->setGeometry(20, 184, 380, 18);
    lblEmail = Link(maker::kSupportEmail, this, kNavy);
    lblEmail->setFont(Verdana(8));
    lblEmail->setGeometry(30, 206, 370, 18);
    lblWeb = Link(maker::kHomePage, this, kNavy);
    lblWeb->setFont(Verdana(8));
    lblWeb->setGeometry(30, 226, 370, 18);

    cmdCheckForUpdate = new QPushButton(QStringLiteral("&Check for Update"), this);
    cmdCheckForUpdate->setToolTip(
        QStringLiteral("This will connect to the internet and check for a newer version of the program"));
    cmdCheckForUpdate->setGeometry(20, 282, 150, 28);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(310, 282, 90, 28);
    cmdOK->setDefault(true);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::onOkClick);
    connect(cmdCheckForUpdate, &QPushButton::clicked, this, &frmAbout::onCheckForUpdateClick);
    connect(lblEmail, &LinkLabel::clicked, this, &frmAbout::onEmailClick);
    connect(lblWeb, &LinkLabel::clicked, this, &frmAbout::onWebClick);
    connect(imgInformation, &LinkLabel::clicked, this, &frmAbout::onInformationClick);
    CentreOnScreen();
}

void frmAbout::onOkClick()
{
    hide();
}

void frmAbout::onCheckForUpdateClick()
{
    Form &update = pages::Load(Page::OnlineUpdate);
    update.show();
    update.raise();
}

void frmAbout::onEmailClick()
{
    OpenDocument(QStringLiteral("mailto:") + maker::kSupportEmail);
}

void frmAbout::onWebClick()
{
    OpenDocument(maker::kHomePage);
}

void frmAbout::onInformationClick()
{
    ShowInformation(QStringLiteral("Important Information"), QStringLiteral("Windows 95 issues"),
                    kWindows95Note);
}
