#include "web/frmOnlineUpdate.h"

#include "ui/ScreenKit.h"

using namespace ui;

frmOnlineUpdate::frmOnlineUpdate() : Form(CaptionOnlyWindow())
{
    setWindowTitle(QStringLiteral("Corvane Technologies Online"));
    setFixedSize(420, 220);

    Caption(QStringLiteral("web updates"), this, Verdana(22, true), kLightGrey)->setGeometry(16, 8, 390, 44);
    lblStatusHeading = Caption(QStringLiteral("Status:"), this, Verdana(8, true));
    lblStatusHeading->setGeometry(16, 64, 60, 18);
    lblStatus = Caption(QStringLiteral("Downloading Information..."), this, Verdana(8));
    lblStatus->setGeometry(80, 64, 320, 18);
    lblWait = Caption(QStringLiteral("Please wait while information is being downloaded..."), this,
                      Verdana(8), kDarkGrey);
    lblWait->setGeometry(16, 92, 390, 18);
    lblResult = Caption(QStringLiteral("No updates found. You are using the latest version."), this,
                        Verdana(8), kNavy);
    lblResult->setGeometry(16, 92, 390, 18);
    lblResult->hide();
    prgDownload = new QProgressBar(this);
    prgDownload->setRange(0, 100);
    prgDownload->setValue(0);
    prgDownload->setGeometry(16, 124, 388, 20);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(212, 172, 92, 28);
    cmdOK->hide();
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(312, 172, 92, 28);
    connect(cmdOK, &QPushButton::clicked, this, &frmOnlineUpdate::onOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOnlineUpdate::onCancelClick);
    CentreOnScreen();
}

void frmOnlineUpdate::onOkClick()
{
    Unload();
}

void frmOnlineUpdate::onCancelClick()
{
    Unload();
}
