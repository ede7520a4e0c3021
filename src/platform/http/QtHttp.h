#pragma once
// The HTTP client over Qt Network: plain GETs that honour the system proxy
// settings, follow a bounded number of redirects within HTTP and HTTPS, read
// no more of a body than the caller can use and give up after a time limit.
// An error status or a redirect elsewhere fails as soon as its headers are
// in, whatever body came with it.

#include "platform/HttpFetch.h"

#include <QNetworkReply>

#include <memory>

class QNetworkAccessManager;

namespace platform {

// The number a finished reply's error is reported with: a time-out (ours or
// Qt's) is kErrRequestTimedOut, anything else keeps Qt's own number.
int FetchErrorNumber(QNetworkReply::NetworkError error, bool timedOut);

class QtHttpClient : public HttpClient {
public:
    explicit QtHttpClient(int timeLimitMs = kFetchTimeLimitMs);
    ~QtHttpClient() override;
    std::shared_ptr<HttpTransfer> NewTransfer() override;

private:
    int m_timeLimitMs;
    std::shared_ptr<QNetworkAccessManager> m_manager;
};

} // namespace platform
