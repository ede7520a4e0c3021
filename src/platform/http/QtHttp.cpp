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

bool IsHttpScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// The number Qt gives a finished reply with this error status; ours ends
// the transfer at the headers, before Qt gets that far.
QNetworkReply::NetworkError StatusError(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        return status >= 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

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
        // Never from HTTPS down to HTTP; a redirect out of HTTP altogether is
        // refused below, as soon as its headers are in.
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
        int refusedNumber = 0; // the headers said failure; set once
        QString refusedDescription;
        const auto refuse = [&](int number, const QString &description) {
            if (refusedNumber != 0)
                return;
            refusedNumber = number;
            refusedDescription = description;
            body.clear();
            // Queued, out of Qt's own signal: aborting inside it makes Qt
            // report the reply's error a second time.
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        };
        // Only a success status's body is the file: an error page, a portal's
        // login page or a redirect's note must never pass for its first bytes.
        const auto judgeHeaders = [&] {
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid() || refusedNumber != 0)
                return;
            const int code = status.toInt();
            if (code >= 400) {
                const QString reason =
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
                refuse(StatusError(code), QStringLiteral("Error transferring %1 - server replied: %2")
                                              .arg(reply->url().toString(), reason));
            } else if (code >= 300) {
                const QUrl target = reply->header(QNetworkRequest::LocationHeader).toUrl();
                if (target.isValid() && !IsHttpScheme(reply->url().resolved(target)))
                    refuse(
                        QNetworkReply::ProtocolUnknownError,
                        QStringLiteral("Redirected to a place that is not HTTP: %1").arg(target.toString()));
            }
        };
        const auto bodyCounts = [&] {
            const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            return refusedNumber == 0 && code >= 200 && code < 300;
        };
        const auto readSome = [&] {
            judgeHeaders();
            while (!enough && refusedNumber == 0 && reply->bytesAvailable() > 0) {
                if (!bodyCounts()) {
                    reply->readAll(); // not the file's bytes
                    continue;
                }
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
        QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, judgeHeaders);
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

        const bool answered = reply->error() == QNetworkReply::NoError && bodyCounts();
        if (m_cancelled) {
            result.cancelled = true;
        } else if (refusedNumber != 0) {
            result.errorNumber = refusedNumber;
            result.errorDescription = refusedDescription;
        } else if (enough || answered) {
            result.ok = true;
            result.body = body;
        } else if (timedOut) {
            result.errorNumber = kErrRequestTimedOut;
            result.errorDescription = QStringLiteral("Request timed out");
        } else if (reply->error() == QNetworkReply::NoError) {
            // A redirect that was not followed, or no status at all.
            result.errorNumber = QNetworkReply::ProtocolUnknownError;
            result.errorDescription = QStringLiteral("The server gave no file");
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
