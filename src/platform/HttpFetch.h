#pragma once
// The HTTP client of the web windows: one transfer per window, which fetches
// a URL's body synchronously while pending window events keep running, can
// say whether it is still busy, and can be cancelled from one of those
// events. main() installs the Qt Network one; tests install a scripted fake.

#include <QByteArray>
#include <QString>

#include <memory>

namespace platform {

// The error numbers the web windows treat specially.
inline constexpr int kErrRequestTimedOut = 35761;
inline constexpr int kErrStillExecuting = 35764;

// A fetch gives up after this long and reports kErrRequestTimedOut.
inline constexpr int kFetchTimeLimitMs = 15000;

struct FetchResult {
    bool ok = false;
    // The first bytes of the body, at most the maxBytes asked for; a body
    // cut there is still a success. Only a success status has a body here:
    // an error page is a failure, however few of its bytes were asked for.
    QByteArray body;
    int errorNumber = 0; // 0 on success
    QString errorDescription;
    bool cancelled = false; // Cancel() ended it; no error is reported then
};

class HttpTransfer {
public:
    virtual ~HttpTransfer() = default;
    // GET url. Returns when the transfer has ended: complete, failed, timed
    // out, cut at maxBytes or cancelled. Asked while a fetch of this transfer
    // is running, it fails at once with kErrStillExecuting.
    virtual FetchResult OpenURL(const QString &url, qint64 maxBytes) = 0;
    virtual bool StillExecuting() const = 0;
    // Ends the running fetch, if any; its OpenURL returns cancelled.
    virtual void Cancel() = 0;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual std::shared_ptr<HttpTransfer> NewTransfer() = 0;
};

// A new transfer from the installed client (Services::http,
// platform/Platform.h); aborts when none was installed. Held by a shared pointer so that
// a fetch keeps its transfer alive even when its window goes meanwhile.
std::shared_ptr<HttpTransfer> NewHttpTransfer();

} // namespace platform
