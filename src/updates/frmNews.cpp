#include "updates/frmNews.h"

#include "platform/funct.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"
#include "ui/MakerContacts.h"
#include "ui/ScreenKit.h"
#include "updates/WebFiles.h"
#include "updates/frmOnlineUpdate.h"

#include <QPointer>

using namespace ui;

namespace {

// The number and text a failed write of the news copy is reported with.
constexpr int kErrFileAccess = 75;
const char *const kFileAccessText = "Path/File access error";

} // namespace

frmNews::frmNews() : Form(CaptionOnlyWindow())
{
    setWindowTitle(QStringLiteral("Web Updates: Gardlock 2001"));
    setFixedSize(520, 400);

    rtfNews = new RichTextBox(this);
    rtfNews->setReadOnly(true);
    rtfNews->setGeometry(8, 8, 504, 340);
    cmdWebsite = new QPushButton(QStringLiteral("&Website"), this);
    cmdWebsite->setGeometry(312, 360, 96, 28);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setGeometry(416, 360, 96, 28);
    connect(cmdWebsite, &QPushButton::clicked, this, &frmNews::onWebsiteClick);
    connect(cmdClose, &QPushButton::clicked, this, &frmNews::onCloseClick);

    Inet1 = platform::NewHttpTransfer();
    CentreOnScreen();
}

void frmNews::onLoad()
{
    // Window events run during the fetch; the transfer is kept by a local so
    // that it outlives this window should the window go meanwhile.
    QPointer<frmNews> self(this);
    const std::shared_ptr<platform::HttpTransfer> inet = Inet1;
    DoEvents();
    if (!self)
        return;
    const platform::FetchResult fetched = inet->OpenURL(web::DownloadUrl(web::kNewsFile), web::kNewsLimit);
    if (!self)
        return;
    // One message for a failed fetch, then the viewer carries on with the
    // copy it already has: a lasting failure never turns into a series.
    if (!fetched.ok && !fetched.cancelled)
        ReadTextFailed(fetched.errorNumber, fetched.errorDescription);

    Forms::Unload<frmOnlineUpdate>();

    while (inet->StillExecuting()) {
        DoEvents();
        if (!self)
            return;
    }

    const QString copy = platform::ResolvePath(web::kNewsCopy);
    if (fetched.ok && !platform::WriteFileAtomically(copy, fetched.body + "\r\n"))
        ReadTextFailed(kErrFileAccess, QString::fromLatin1(kFileAccessText));
    // Shown from the disk copy: rich text formatted, anything else plain.
    rtfNews->LoadFile(copy);
}

void frmNews::ReadTextFailed(int number, const QString &description)
{
    MsgBox(QString::number(number) + " " + description, platform::MsgButtons::OK, platform::MsgIcon::None,
           QStringLiteral("Read Text"));
    if (number == platform::kErrRequestTimedOut || number == platform::kErrStillExecuting)
        Inet1->Cancel();
}

void frmNews::onUnload()
{
    Inet1->Cancel();
}

void frmNews::onWebsiteClick()
{
    OpenDocument(maker::kUpdatePage);
}

void frmNews::onCloseClick()
{
    Unload();
}
