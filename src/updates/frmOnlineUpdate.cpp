#include "updates/frmOnlineUpdate.h"

#include "platform/ProcessFacts.h"
#include "ui/MakerContacts.h"
#include "ui/ScreenKit.h"
#include "ui/WindowServices.h"
#include "updates/WebFiles.h"
#include "updates/frmNews.h"

#include <QPointer>
#include <QWindow>

using namespace ui;

namespace {

constexpr int kProgressStop = 75;

QString UpdateFailedText()
{
    return QStringLiteral("An error has occured. Update failed.") + QChar(10) +
           QStringLiteral("You must download new version of this application manually at ") +
           maker::kHomePage;
}

} // namespace

frmOnlineUpdate::frmOnlineUpdate() : Form(CaptionOnlyWindow())
{
    setWindowTitle(QStringLiteral("Corvane Technologies Online"));
    setFixedSize(420, 220);

    lblTitle = Caption(QStringLiteral("web updates"), this, Verdana(22, true), kLightGrey);
    lblTitle->setGeometry(16, 8, 390, 44);
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
    prgDownload->setAccessibleName(QStringLiteral("Download"));
    prgDownload->setValue(0);
    prgDownload->setGeometry(16, 124, 388, 20);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(212, 172, 92, 28);
    cmdOK->hide();
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(312, 172, 92, 28);
    connect(cmdOK, &QPushButton::clicked, this, &frmOnlineUpdate::onOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOnlineUpdate::onCancelClick);

    tmrCheck = NewTimer(this, 1, true, [this] { onCheckTimer(); });
    tmrProgress = NewTimer(this, 100, false, [this] { onProgressTimer(); });
    Inet1 = platform::NewHttpTransfer();
    CentreOnScreen();
}

void frmOnlineUpdate::onLoad()
{
    tmrProgress->start();
}

void frmOnlineUpdate::onUnload()
{
    m_closed = true;
    tmrCheck->stop();
    tmrProgress->stop();
    Inet1->Cancel(); // a fetch still running ends now and opens nothing
}

void frmOnlineUpdate::onCheckTimer()
{
    // One check per window, whatever its outcome: the timer only starts it.
    tmrCheck->stop();
    if (m_checkStarted)
        return;
    // A check that fails at once unloads the window. Withdrawn before a slow
    // window manager has put it up, it would be put up after all and stay,
    // empty: the check waits until the window is on the screen (a second at
    // most).
    const QWindow *shown = windowHandle();
    if (shown && !shown->isExposed() && m_waitedToBeShownMs < kMostWaitToBeShownMs) {
        m_waitedToBeShownMs += kShownPollMs;
        tmrCheck->start(kShownPollMs);
        return;
    }
    m_checkStarted = true;
    setCursor(Qt::WaitCursor);

    // The fetch lets window events run, "&Cancel" among them: this window
    // may be gone when it returns, so only locals are trusted until checked.
    QPointer<frmOnlineUpdate> self(this);
    const std::shared_ptr<platform::HttpTransfer> inet = Inet1;
    const QByteArray own = app::VersionText().toLatin1();
    const platform::FetchResult fetched =
        inet->OpenURL(web::DownloadUrl(web::kVersionFile), web::VersionBytesNeeded(own));
    if (!self || m_closed || fetched.cancelled)
        return;
    if (!fetched.ok)
        return UpdateFailed();
    if (fetched.body.isEmpty()) {
        // Nothing published: the window stays as it is until "&Cancel".
        tmrProgress->stop();
        unsetCursor();
        return;
    }
    if (web::IsNewerVersion(fetched.body, own))
        return ShowNews();
    ShowCheckEnded(true);
}

void frmOnlineUpdate::ShowCheckEnded(bool noUpdate)
{
    lblStatus->setText(QStringLiteral("Download Complete."));
    lblWait->hide();
    lblResult->setVisible(noUpdate);
    cmdOK->show();
    prgDownload->setValue(100);
    tmrCheck->stop();
    tmrProgress->stop();
    unsetCursor();
}

void frmOnlineUpdate::UpdateFailed()
{
    tmrCheck->stop();
    const QString text = UpdateFailedText();
    Unload(); // for good; the hourglass goes with the window
    MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Critical, kAppTitle);
}

void frmOnlineUpdate::ShowNews()
{
    if (frmNews *open = Forms::IfLoaded<frmNews>()) {
        // A viewer from an earlier check: it is only brought back, without a
        // new fetch; this window ends its check and stays until "&OK".
        ShowCheckEnded(false);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    // The viewer's load fetches the news and closes this window; nothing of
    // this window is touched after it.
    frmNews &news = Forms::Get<frmNews>();
    news.show();
    news.raise();
    news.activateWindow();
}

void frmOnlineUpdate::onProgressTimer()
{
    const int next = prgDownload->value() + 1;
    if (next > prgDownload->maximum()) {
        // The step's failure: the bar cannot go further.
        tmrProgress->stop();
        prgDownload->hide();
        return;
    }
    prgDownload->setValue(next);
    if (next == kProgressStop)
        tmrProgress->stop();
}

void frmOnlineUpdate::onOkClick()
{
    Unload();
}

void frmOnlineUpdate::onCancelClick()
{
    Unload();
}
