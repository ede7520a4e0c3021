// The Qt Network client against a server in this process that answers as
// each case needs: well, with errors, never, slowly, endlessly or in a loop.

#include "platform/http/QtHttp.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using platform::FetchResult;

namespace {

constexpr int kShortLimitMs = 400;

// Accepts connections on 127.0.0.1 and hands each request, once its
// headers are in, to the case's answer.
class ScriptedServer {
public:
    std::function<void(QTcpSocket *)> answer;
    qint64 bytesSent = 0;

    ScriptedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto request = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                    if (request->contains("\r\n\r\n"))
                        return (void)socket->readAll();
                    *request += socket->readAll();
                    if (request->contains("\r\n\r\n") && answer)
                        answer(socket);
                });
            }
        });
    }
    QString Url(const QString &path = "/files/application.ver") const
    {
        return QString("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    // Writes an endless body in chunks, as fast as the client drains it.
    void Endless(QTcpSocket *socket)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n\r\n");
        const QByteArray chunk(64 * 1024, '9');
        const auto more = [this, socket, chunk] {
            if (socket->bytesToWrite() < chunk.size() && bytesSent < 104857600) {
                socket->write(chunk);
                bytesSent += chunk.size();
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

private:
    QTcpServer m_server;
};

void Reply(QTcpSocket *socket, const QByteArray &status, const QByteArray &body, const QByteArray &extra = {})
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\n" + extra + "\r\n" + body);
    socket->disconnectFromHost();
}

class QtHttpTest : public ::testing::Test {
protected:
    platform::QtHttpClient client{kShortLimitMs};
    ScriptedServer server;
};

TEST_F(QtHttpTest, ReadsABodyWholeOrOnlyTheBytesAskedFor)
{
    server.answer = [](QTcpSocket *s) { Reply(s, "200 OK", "2.0\r\n"); };
    auto transfer = client.NewTransfer();
    FetchResult whole = transfer->OpenURL(server.Url(), 1000);
    EXPECT_TRUE(whole.ok);
    EXPECT_EQ(whole.body, "2.0\r\n");
    EXPECT_EQ(whole.errorNumber, 0);
    FetchResult head = transfer->OpenURL(server.Url(), 4);
    EXPECT_TRUE(head.ok);
    EXPECT_EQ(head.body, "2.0\r");
    server.answer = [](QTcpSocket *s) { Reply(s, "200 OK", ""); };
    FetchResult empty = transfer->OpenURL(server.Url(), 4);
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.body.isEmpty());
}

TEST_F(QtHttpTest, AHugeBodyIsCutWithoutReadingIt)
{
    server.answer = [this](QTcpSocket *s) { server.Endless(s); };
    auto transfer = client.NewTransfer();
    for (const qint64 limit : {qint64(4), qint64(512 * 1024)}) {
        SCOPED_TRACE(limit);
        server.bytesSent = 0;
        const FetchResult result = transfer->OpenURL(server.Url(), limit);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.body, QByteArray(limit, '9'));
        EXPECT_LT(server.bytesSent, 16 * 1024 * 1024); // of the 100 MB offered
    }
}

TEST_F(QtHttpTest, FailuresCarryQtsNumberOrTheTimeOut)
{
    struct Case {
        const char *name;
        std::function<void(QTcpSocket *)> answer;
        int number;
    };
    const Case cases[] = {
        {"404", [](QTcpSocket *s) { Reply(s, "404 Not Found", "nope"); },
         QNetworkReply::ContentNotFoundError},
        {"500", [](QTcpSocket *s) { Reply(s, "500 Internal Server Error", "oops"); },
         QNetworkReply::InternalServerError},
        {"redirect loop",
         [this](QTcpSocket *s) {
             Reply(s, "302 Found", "", "Location: " + server.Url().toLatin1() + "\r\n");
         },
         QNetworkReply::TooManyRedirectsError},
        {"never answers", [](QTcpSocket *) {}, platform::kErrRequestTimedOut},
        {"a byte at a time",
         [](QTcpSocket *s) {
             s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
             auto *drip = new QTimer(s);
             QObject::connect(drip, &QTimer::timeout, s, [s] { s->write("x"); });
             drip->start(50);
         },
         platform::kErrRequestTimedOut},
        {"garbage", [](QTcpSocket *s) { s->write("\x01\x02 not http at all\r\n\r\n"); }, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.answer = c.answer;
        auto transfer = client.NewTransfer();
        QElapsedTimer clock;
        clock.start();
        const FetchResult result = transfer->OpenURL(server.Url(), 1 << 20);
        EXPECT_LT(clock.elapsed(), kShortLimitMs + 2000);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.cancelled);
        if (c.number >= 0)
            EXPECT_EQ(result.errorNumber, c.number) << result.errorDescription.toStdString();
        else
            EXPECT_NE(result.errorNumber, 0);
        EXPECT_FALSE(result.errorDescription.isEmpty());
        EXPECT_FALSE(transfer->StillExecuting());
    }
}

TEST_F(QtHttpTest, AnErrorStatusOrARedirectOutOfHttpFailsWhateverBytesArrived)
{
    // An error page, a captive portal's or a proxy's, starts with bytes that
    // would pass for a version: the status decides before the body does.
    const QByteArray page = "<!DOCTYPE html><html><body>Not here</body></html>";
    struct Case {
        const char *name;
        std::function<void(QTcpSocket *)> answer;
        int number;
    };
    const Case cases[] = {
        {"404 page", [&](QTcpSocket *s) { Reply(s, "404 Not Found", page, "Content-Type: text/html\r\n"); },
         QNetworkReply::ContentNotFoundError},
        {"500 page",
         [&](QTcpSocket *s) { Reply(s, "500 Internal Server Error", page, "Content-Type: text/html\r\n"); },
         QNetworkReply::InternalServerError},
        {"503 page", [&](QTcpSocket *s) { Reply(s, "503 Service Unavailable", page); },
         QNetworkReply::ServiceUnavailableError},
        {"418 page", [&](QTcpSocket *s) { Reply(s, "418 I'm a teapot", page); },
         QNetworkReply::ProtocolInvalidOperationError},
        {"endless 500 page",
         [](QTcpSocket *s) {
             s->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 104857600\r\n\r\n");
             s->write(QByteArray(256 * 1024, '<'));
         },
         QNetworkReply::InternalServerError},
        {"redirect to ftp",
         [&](QTcpSocket *s) { Reply(s, "302 Found", page, "Location: ftp://127.0.0.1/application.ver\r\n"); },
         QNetworkReply::ProtocolUnknownError},
        {"redirect to a local file",
         [&](QTcpSocket *s) {
             Reply(s, "301 Moved Permanently", page, "Location: file:///etc/hostname\r\n");
         },
         QNetworkReply::ProtocolUnknownError},
        {"redirect to an unknown scheme",
         [&](QTcpSocket *s) { Reply(s, "307 Temporary Redirect", page, "Location: portal:login\r\n"); },
         QNetworkReply::ProtocolUnknownError},
    };
    for (const Case &c : cases) {
        for (const qint64 limit : {qint64(4), qint64(1 << 20)}) {
            SCOPED_TRACE(std::string(c.name) + " / " + std::to_string(limit));
            server.answer = c.answer;
            auto transfer = client.NewTransfer();
            const FetchResult result = transfer->OpenURL(server.Url(), limit);
            EXPECT_FALSE(result.ok);
            EXPECT_FALSE(result.cancelled);
            EXPECT_TRUE(result.body.isEmpty());
            EXPECT_EQ(result.errorNumber, c.number);
            EXPECT_FALSE(result.errorDescription.isEmpty());
            EXPECT_FALSE(transfer->StillExecuting());
        }
    }
}

TEST_F(QtHttpTest, RedirectsWithinHttpAreFollowedAndOnlyTheLastAnswerCounts)
{
    // The first request is sent on; the one it leads to answers.
    int requests = 0;
    QByteArray location;
    server.answer = [&](QTcpSocket *s) {
        if (requests++ == 0)
            Reply(s, "302 Found", "<!DOCTYPE html>moved", "Location: " + location + "\r\n");
        else
            Reply(s, "200 OK", "2.1");
    };
    const QByteArray targets[] = {server.Url("/elsewhere/application.ver").toLatin1(),
                                  "/elsewhere/application.ver", "elsewhere.ver"};
    for (const QByteArray &target : targets) {
        for (const qint64 limit : {qint64(4), qint64(1 << 20)}) {
            SCOPED_TRACE(target.toStdString() + " / " + std::to_string(limit));
            requests = 0;
            location = target;
            const FetchResult result = client.NewTransfer()->OpenURL(server.Url(), limit);
            EXPECT_TRUE(result.ok) << result.errorDescription.toStdString();
            EXPECT_EQ(result.body, "2.1");
            EXPECT_EQ(requests, 2);
        }
    }
}

TEST_F(QtHttpTest, NoServerAndNoHostFailWithQtsNumbers)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    auto transfer = client.NewTransfer();
    const FetchResult refused = transfer->OpenURL(QString("http://127.0.0.1:%1/a").arg(port), 10);
    EXPECT_EQ(refused.errorNumber, QNetworkReply::ConnectionRefusedError);
    const FetchResult unknown = transfer->OpenURL("http://no-such-host.invalid/a", 10);
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.errorNumber, 0);
}

TEST_F(QtHttpTest, CancelEndsARunningFetchAndASecondFetchMeanwhileIsRefused)
{
    server.answer = [](QTcpSocket *) {}; // hangs
    platform::QtHttpClient patient;      // the full time limit: only Cancel ends it
    auto transfer = patient.NewTransfer();
    FetchResult second;
    bool executing = false;
    QTimer::singleShot(100, [&] {
        executing = transfer->StillExecuting();
        second = transfer->OpenURL(server.Url(), 10);
        transfer->Cancel();
    });
    QElapsedTimer clock;
    clock.start();
    const FetchResult result = transfer->OpenURL(server.Url(), 10);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(executing);
    EXPECT_EQ(second.errorNumber, platform::kErrStillExecuting);
    EXPECT_FALSE(transfer->StillExecuting());
}

TEST(FetchErrorNumber, TimeOutsBecomeTheirOwnNumberAndOtherErrorsKeepQts)
{
    EXPECT_EQ(platform::FetchErrorNumber(QNetworkReply::TimeoutError, false), 35761);
    EXPECT_EQ(platform::FetchErrorNumber(QNetworkReply::OperationCanceledError, true), 35761);
    EXPECT_EQ(platform::FetchErrorNumber(QNetworkReply::HostNotFoundError, false), 3);
    EXPECT_EQ(platform::FetchErrorNumber(QNetworkReply::ContentNotFoundError, false), 203);
}

} // namespace
