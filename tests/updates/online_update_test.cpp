// The update check: the version comparison, the progress rule, and the
// window's state after each outcome of the check.

#include "platform/http/QtHttp.h"
#include "platform/storage/Settings.h"
#include "support/Eventually.h"
#include "support/FakeHttp.h"
#include "support/Sandbox.h"
#include "ui/MakerContacts.h"
#include "ui/WindowServices.h"
#include "updates/WebFiles.h"
#include "updates/frmNews.h"
#include "updates/frmOnlineUpdate.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace testing_support;
using platform::MsgIcon;

namespace {

const QString kVersionUrl = maker::kDownloadFolder + "application.ver";
const QString kNewsUrl = maker::kDownloadFolder + "news2.txt";

TEST(VersionComparison, ComparesCharacterCodesAsReceived)
{
    struct Case {
        QByteArray published;
        bool newer;
    };
    const Case cases[] = {
        {"2.0", false},
        {"2.1", true},
        {"3", true},
        {"2.0\r\n", true}, // the line break makes it longer
        {"2.0\n", true},
        {"2.0 ", true},
        {"2.00", true},
        {"10.0", false}, // '1' is below '2'
        {"2", false},    // a proper prefix is smaller
        {"2.", false},
        {"", false},
        {" 2.0", false}, // a blank is below every digit
        {"1.9", false},
        {"2,0", false}, // ',' is below '.'
        {"20", true},   // '0' is above '.'
        {"2./", false},
        {"2.0a", true},
        {"<html>", true},
        {"\xA0", true}, // bytes above 127 are above every character of ours
        {QByteArray("2.0\0", 4), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.published.toStdString());
        EXPECT_EQ(web::IsNewerVersion(c.published, "2.0"), c.newer);
        // The bytes read from the file decide it just as the whole text does.
        EXPECT_EQ(web::IsNewerVersion(c.published.left(web::VersionBytesNeeded("2.0")), "2.0"), c.newer);
    }
}

class OnlineUpdateTest : public SandboxTest {
protected:
    FakeHttp &http() { return fakeHttp(); }
    void Publish(const QByteArray &version, const QByteArray &news = "News\r\n")
    {
        http().replies[kVersionUrl] = FakeReply{version, 0, {}, false};
        http().replies[kNewsUrl] = FakeReply{news, 0, {}, false};
    }
    frmOnlineUpdate &Open()
    {
        frmOnlineUpdate &form = Forms::Get<frmOnlineUpdate>();
        form.show();
        // The check starts once the window is on the screen.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        return form;
    }
    static bool Hourglass(const QWidget &w) { return w.cursor().shape() == Qt::WaitCursor; }
};

TEST_F(OnlineUpdateTest, StartsDownloadingWithTheCheckTimerRunningAndTheProgressTimerStartedByLoad)
{
    frmOnlineUpdate &form = Open();
    EXPECT_EQ(form.windowTitle(), "Corvane Technologies Online");
    EXPECT_EQ(form.lblTitle->text(), "web updates");
    EXPECT_EQ(form.lblTitle->font().family(), "Verdana");
    EXPECT_EQ(form.lblStatusHeading->text(), "Status:");
    EXPECT_EQ(form.lblStatus->text(), "Downloading Information...");
    EXPECT_EQ(form.lblWait->text(), "Please wait while information is being downloaded...");
    EXPECT_EQ(form.lblResult->text(), "No updates found. You are using the latest version.");
    EXPECT_TRUE(form.lblWait->isVisible());
    EXPECT_FALSE(form.lblResult->isVisible());
    EXPECT_FALSE(form.cmdOK->isVisible());
    EXPECT_TRUE(form.cmdCancel->isVisible());
    EXPECT_EQ(form.cmdOK->text(), "&OK");
    EXPECT_EQ(form.cmdCancel->text(), "&Cancel");
    EXPECT_EQ(form.prgDownload->minimum(), 0);
    EXPECT_EQ(form.prgDownload->maximum(), 100);
    EXPECT_EQ(form.prgDownload->value(), 0);
    EXPECT_TRUE(form.tmrCheck->isActive());
    EXPECT_EQ(TimerInterval(form.tmrCheck), 1);
    EXPECT_TRUE(form.tmrProgress->isActive());
    EXPECT_EQ(TimerInterval(form.tmrProgress), 100);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(http().requested.isEmpty()); // nothing before the first tick
}

TEST_F(OnlineUpdateTest, ProgressStepCreepsToSeventyFiveAndFailsPastTheEnd)
{
    struct Case {
        int from;
        int to;
        bool running;
        bool barShown;
    };
    const Case cases[] = {
        {0, 1, true, true},   {73, 74, true, true},  {74, 75, false, true},
        {75, 76, true, true}, {99, 100, true, true}, {100, 100, false, false}, // no step past the end
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.from);
        frmOnlineUpdate &form = Open();
        form.tmrCheck->stop();
        form.prgDownload->setValue(c.from);
        form.tmrProgress->start();
        form.onProgressTimer();
        EXPECT_EQ(form.prgDownload->value(), c.to);
        EXPECT_EQ(form.tmrProgress->isActive(), c.running);
        EXPECT_EQ(form.prgDownload->isVisible(), c.barShown);
        form.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(OnlineUpdateTest, ProgressTimerStopsAtSeventyFiveOnItsOwn)
{
    http().replies[kVersionUrl] = FakeReply{{}, 0, {}, true}; // never answers
    frmOnlineUpdate &form = Open();
    form.tmrCheck->stop();
    form.tmrProgress->setInterval(1);
    ASSERT_EVENTUALLY((form.prgDownload->value()) == (75), 10000);
    QTest::qWait(50);
    EXPECT_EQ(form.prgDownload->value(), 75);
    EXPECT_FALSE(form.tmrProgress->isActive());
}

TEST_F(OnlineUpdateTest, NoUpdateWhenThePublishedVersionIsNotGreater)
{
    for (const QByteArray &version :
         {QByteArray("2.0"), QByteArray("10.0"), QByteArray("2"), QByteArray("1.9")}) {
        SCOPED_TRACE(version.toStdString());
        ResetFakeHttp();
        Publish(version);
        frmOnlineUpdate &form = Open();
        form.onCheckTimer();
        EXPECT_EQ(form.lblStatus->text(), "Download Complete.");
        EXPECT_FALSE(form.lblWait->isVisible());
        EXPECT_TRUE(form.lblResult->isVisible());
        EXPECT_TRUE(form.cmdOK->isVisible());
        EXPECT_EQ(form.prgDownload->value(), 100);
        EXPECT_FALSE(form.tmrCheck->isActive());
        EXPECT_FALSE(form.tmrProgress->isActive());
        EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
        EXPECT_FALSE(Forms::IsLoaded<frmNews>());
        EXPECT_TRUE(dialogs().boxes.empty());
        EXPECT_EQ(http().requested, QStringList{kVersionUrl});
        form.cmdOK->click();
        EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(OnlineUpdateTest, TheCheckRunsOnceAndShowsTheHourglassWhileItFetches)
{
    Publish("2.0");
    frmOnlineUpdate &form = Open();
    bool hourglass = false;
    bool progressRunning = false;
    http().duringFetch = [&](const QString &) {
        hourglass = Hourglass(form);
        progressRunning = form.tmrProgress->isActive();
        form.onCheckTimer(); // a tick during the fetch starts nothing
    };
    ASSERT_EVENTUALLY((http().requested.size()) == (1), 5000); // the timer's first tick
    EXPECT_TRUE(hourglass);
    EXPECT_TRUE(progressRunning);
    EXPECT_EQ(http().maxBytes, std::vector<qint64>{4}); // "2.0" and one byte more
    form.onCheckTimer();
    form.tmrCheck->start(); // even a timer started again by hand
    ASSERT_EVENTUALLY(!form.tmrCheck->isActive(), 5000);
    EXPECT_EQ(http().requested.size(), 1);
    EXPECT_EQ(form.lblStatus->text(), "Download Complete.");
}

TEST_F(OnlineUpdateTest, EmptyVersionFileLeavesTheWindowDownloadingWithTimersStopped)
{
    Publish("");
    frmOnlineUpdate &form = Open();
    form.prgDownload->setValue(12);
    form.onCheckTimer();
    EXPECT_EQ(form.lblStatus->text(), "Downloading Information...");
    EXPECT_TRUE(form.lblWait->isVisible());
    EXPECT_FALSE(form.lblResult->isVisible());
    EXPECT_FALSE(form.cmdOK->isVisible());
    EXPECT_EQ(form.prgDownload->value(), 12);
    EXPECT_FALSE(form.tmrCheck->isActive());
    EXPECT_FALSE(form.tmrProgress->isActive());
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Forms::IsLoaded<frmNews>());
    form.cmdCancel->click();
    EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
}

TEST_F(OnlineUpdateTest, TheCheckWaitsUntilTheWindowIsOnTheScreen)
{
    // A failure right after the window was asked for would withdraw it before
    // a slow window manager put it up, which then put it up for good.
    http().replies[kVersionUrl] = FakeReply{{}, 1, "Connection refused", false};
    frmOnlineUpdate &form = Forms::Get<frmOnlineUpdate>();
    form.show();
    ASSERT_FALSE(form.windowHandle()->isExposed());
    form.onCheckTimer();
    EXPECT_TRUE(http().requested.isEmpty()) << "no fetch before the window is on the screen";
    EXPECT_TRUE(Forms::IsLoaded<frmOnlineUpdate>());
    // The check timer tries again; once exposed, the fetch fails and the window goes.
    EXPECT_TRUE(QTest::qWaitFor([] { return !Forms::IsLoaded<frmOnlineUpdate>(); }, 5000));
    EXPECT_EQ(http().requested.size(), 1);
    EXPECT_EQ(dialogs().boxes.size(), 1u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(OnlineUpdateTest, AnyFailureClosesTheWindowWithOneMessage)
{
    const FakeReply failures[] = {
        {{}, 1, "Connection refused", false},
        {{}, 3, "Host not found", false},
        {{}, 203, "Error transferring - server replied: Not Found", false},
        {{}, platform::kErrRequestTimedOut, "Request timed out", false},
    };
    for (const FakeReply &failure : failures) {
        SCOPED_TRACE(failure.errorNumber);
        ResetRecorders();
        http().replies[kVersionUrl] = failure;
        frmOnlineUpdate &form = Open();
        form.onCheckTimer();
        EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(Forms::IsLoaded<frmNews>());
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        const RecordedBox &box = dialogs().boxes[0];
        EXPECT_EQ(box.text, "An error has occured. Update failed.\nYou must download new version of this "
                            "application manually at " +
                                maker::kHomePage);
        EXPECT_EQ(box.title, "Gardlock 2001");
        EXPECT_EQ(box.icon, MsgIcon::Critical);
        EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(OnlineUpdateTest, AnErrorPageFromTheRealHostIsAFailureNotAnUpdate)
{
    // A host on 127.0.0.1 that answers every request with the status asked
    // for; an error page starts with bytes that compare greater than "2.0".
    QTcpServer host;
    ASSERT_TRUE(host.listen(QHostAddress::LocalHost));
    QByteArray status, body;
    QObject::connect(&host, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *socket = host.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
                socket->readAll();
                socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
    });
    ASSERT_TRUE(settings::Write(settings::DownloadFolder,
                                QString("http://127.0.0.1:%1/files/").arg(host.serverPort())));
    platform::QtHttpClient real(5000);
    struct Restore {
        ~Restore() { ResetFakeHttp(); }
    } restore;

    const QByteArray page = "<!DOCTYPE html><html><body>Not here</body></html>";
    struct Case {
        QByteArray status, body;
        bool failed;
    };
    const Case cases[] = {
        {"404 Not Found", page, true},
        {"500 Internal Server Error", page, true},
        {"200 OK", "2.0", false}, // the same way with a good answer: no update
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        ResetRecorders();
        platform::Services with = RecorderServices();
        with.http = &real;
        platform::install(with);
        status = c.status;
        body = c.body;
        const QPointer<frmOnlineUpdate> form = &Open();
        // The check ends either way: the window closed, or "&OK" shown.
        ASSERT_EVENTUALLY(!Forms::IsLoaded<frmOnlineUpdate>() || form->cmdOK->isVisible(), 10000);
        EXPECT_FALSE(Forms::IsLoaded<frmNews>());
        if (c.failed) {
            EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
            ASSERT_EQ(dialogs().boxes.size(), 1u);
            EXPECT_EQ(dialogs().boxes[0].text,
                      "An error has occured. Update failed.\nYou must download new version of this "
                      "application manually at " +
                          maker::kHomePage);
            EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::Critical);
        } else {
            EXPECT_TRUE(dialogs().boxes.empty());
            EXPECT_EQ(form->lblStatus->text(), "Download Complete.");
            form->cmdOK->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(OnlineUpdateTest, CancelDuringAHangingFetchClosesTheWindowAtOnceAndOpensNothing)
{
    http().replies[kVersionUrl] = FakeReply{{}, 0, {}, true};
    http().replies[kNewsUrl] = FakeReply{"News", 0, {}, false};
    frmOnlineUpdate &form = Open();
    bool closedAtOnce = false;
    int progress = 0;
    http().duringFetch = [&](const QString &) {
        QTimer::singleShot(350, [&] {
            progress = form.prgDownload->value(); // the bar moves while the fetch runs
            form.cmdCancel->click();
            closedAtOnce = !form.isVisible() && !Forms::IsLoaded<frmOnlineUpdate>();
        });
    };
    ASSERT_EVENTUALLY(!http().cancelledFetches.empty(), 5000);
    EXPECT_TRUE(closedAtOnce);
    EXPECT_GE(progress, 2);
    EXPECT_TRUE(http().cancelledFetches[0]);
    QTest::qWait(20);
    EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
    EXPECT_FALSE(Forms::IsLoaded<frmNews>());
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(http().requested, QStringList{kVersionUrl});
}

TEST_F(OnlineUpdateTest, DownloadFolderSettingPointsTheCheckAtAnotherFolder)
{
    struct Case {
        QString setting;
        QString url;
    };
    const Case cases[] = {
        {"", kVersionUrl},
        {"http://127.0.0.1:8123/files/", "http://127.0.0.1:8123/files/application.ver"},
        {"http://127.0.0.1:8123/files", "http://127.0.0.1:8123/files/application.ver"},
        {"  http://mirror.example/gl/ ", "http://mirror.example/gl/application.ver"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.setting.toStdString());
        ASSERT_TRUE(settings::Write(settings::DownloadFolder, c.setting));
        EXPECT_EQ(web::DownloadUrl(web::kVersionFile), c.url);
    }
    EXPECT_TRUE(maker::kDownloadFolder.startsWith("http://"));
}

} // namespace
