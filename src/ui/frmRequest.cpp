#include "ui/frmRequest.h"

#include "platform/funct.h"
#include "ui/MakerContacts.h"
#include "ui/ScreenKit.h"

using namespace ui;

frmRequest::frmRequest() : Form(CaptionOnlyWindow())
{
    setWindowTitle(QStringLiteral("[...]"));
    setFixedSize(470, 300);

    lblHeading = Caption(QStringLiteral("Loading..."), this, Verdana(11, true), kNavy);
    lblHeading->setGeometry(16, 14, 440, 24);

    lblText = Caption(QStringLiteral("Text is loading. Please Wait..."), this, Verdana(8));
    lblText->setWordWrap(true);
    lblText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblText->setGeometry(16, 48, 440, 190);

    cmdSendRequest = new QPushButton(QStringLiteral("&Send Request"), this);
    cmdSendRequest->setGeometry(220, 256, 130, 28);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(360, 256, 96, 28);

    connect(cmdSendRequest, &QPushButton::clicked, this, &frmRequest::onSendRequestClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRequest::onCancelClick);
    CentreOnScreen();
}

void frmRequest::onSendRequestClick()
{
    const auto answer =
        MsgBox(QStringLiteral("Make sure you are connected to the Internet before proceeding."),
               platform::MsgButtons::OKCancel, platform::MsgIcon::None,
               QStringLiteral("Internet Connection Required"), this);
    if (answer != platform::MsgResult::OK)
        return;
    OpenDocument(QStringLiteral("mailto:") + maker::kRequestEmail + QStringLiteral("?subject=") +
                 maker::kRequestSubject);
}

void frmRequest::onCancelClick()
{
    Unload();
}
