#include "platform/http/QtHttp.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace platform {

namespace {

// Qt keeps no more than this of a body in its own buffer; the rest waits in
// the socket until we read it, so a huge body never fills memory.
constexpr qint64 kReadBuffer = 64 * 1024;
constexpr int kMaxRedirects = 10;

class QtHttpTransfer : public HttpTransfer {
public:
    QtHttpTransfer(std::shared_ptr<QNetworkAccessManager> manager, int timeLimitMs)
        : m_manager(std::move(manager)), m_timeLimitMs(timeLimitMs)
    {
    }

    FetchResult OpenURL(const QString &url, qint64 maxBytes) override
    {
        FetchResult result;
        if (m_reply) {
            result.errorNumber = kErrStillExecuting;
            result.errorDescription = QStringLiteral("Still executing last request");
            return result;
        }
        m_cancelled = false;
        QNetworkRequest request{QUrl(url)};
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(kMaxRedirects);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        QNetworkReply *reply = m_manager->get(request);
        reply->setReadBufferSize(kReadBuffer);
        m_reply = reply;

        QByteArray body;
        bool enough = false;
        bool timedOut = false;
        const auto readSome = [&] {
            while (!enough && reply->bytesAvailable() > 0) {
                body += reply->read(maxBytes - body.size());
                if (body.size() >= maxBytes) {
                    enough = true; // the rest cannot matter: stop the transfer
                    reply->abort();
                }
            }
        };
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::readyRead, &loop, readSome);
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (maxBytes <= 0) {
            enough = true;
            reply->abort();
        }
        limit.start(m_timeLimitMs);
        if (!reply->isFinished())
            loop.exec(); // window events keep running meanwhile
        limit.stop();
        readSome();
        m_reply = nullptr;

        if (m_cancelled) {
            result.cancelled = true;
        } else if (enough || reply->error() == QNetworkReply::NoError) {
            result.ok = true;
            result.body = body;
        } else if (timedOut) {
            result.errorNumber = kErrRequestTimedOut;
            result.errorDescription = QStringLiteral("Request timed out");
        } else {
            result.errorNumber = FetchErrorNumber(reply->error(), false);
            result.errorDescription = result.errorNumber == kErrRequestTimedOut
                                          ? QStringLiteral("Request timed out")
                                          : reply->errorString();
        }
        reply->disconnect(&loop);
        reply->deleteLater();
        return result;
    }

    bool StillExecuting() const override { return m_reply != nullptr; }

    void Cancel() override
    {
        if (!m_reply)
            return;
        m_cancelled = true;
        m_reply->abort();
    }

private:
    std::shared_ptr<QNetworkAccessManager> m_manager;
    int m_timeLimitMs;
    QPointer<QNetworkReply> m_reply;
    bool m_cancelled = false;
};

} // namespace

int FetchErrorNumber(QNetworkReply::NetworkError error, bool timedOut)
{
    if (timedOut || error == QNetworkReply::TimeoutError)
        return kErrRequestTimedOut;
    return static_cast<int>(error);
}

QtHttpClient::QtHttpClient(int timeLimitMs) : m_timeLimitMs(timeLimitMs)
{
    // http_proxy, https_proxy and no_proxy, as the desktop sets them.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

QtHttpClient::~QtHttpClient() = default;

std::shared_ptr<HttpTransfer> QtHttpClient::NewTransfer()
{
    if (!m_manager)
        m_manager = std::make_shared<QNetworkAccessManager>();
    return std::make_shared<QtHttpTransfer>(m_manager, m_timeLimitMs);
}

} // namespace platform
