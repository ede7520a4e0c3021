#include "support/FakeHttp.h"
#include "support/Recorders.h"

#include <QEventLoop>

namespace testing_support {

namespace {

class FakeTransfer : public platform::HttpTransfer {
public:
    FakeTransfer(FakeHttp &http, size_t index) : m_http(http), m_index(index) {}

    platform::FetchResult OpenURL(const QString &url, qint64 maxBytes) override
    {
        platform::FetchResult result;
        if (m_running) {
            result.errorNumber = platform::kErrStillExecuting;
            result.errorDescription = "Still executing last request";
            return result;
        }
        m_running = true;
        m_cancelled = false;
        m_http.requested << url;
        m_http.maxBytes.push_back(maxBytes);
        if (m_http.duringFetch)
            m_http.duringFetch(url);
        const auto it = m_http.replies.find(url);
        const FakeReply reply =
            it != m_http.replies.end() ? it->second : FakeReply{{}, 1, "Connection refused", false};
        if (reply.hang && !m_cancelled) {
            QEventLoop loop;
            m_loop = &loop;
            loop.exec();
            m_loop = nullptr;
        }
        m_running = false;
        m_http.cancelledFetches.push_back(m_cancelled);
        if (m_cancelled) {
            result.cancelled = true;
        } else if (reply.errorNumber != 0) {
            result.errorNumber = reply.errorNumber;
            result.errorDescription = reply.description;
        } else {
            result.ok = true;
            result.body = reply.body.left(maxBytes);
        }
        return result;
    }

    bool StillExecuting() const override { return m_running; }

    void Cancel() override
    {
        ++m_http.cancelCalls[m_index];
        if (!m_running)
            return;
        m_cancelled = true;
        if (m_loop)
            m_loop->quit();
    }

private:
    FakeHttp &m_http;
    size_t m_index;
    bool m_running = false;
    bool m_cancelled = false;
    QEventLoop *m_loop = nullptr;
};

std::unique_ptr<FakeHttp> g_http;

} // namespace

std::shared_ptr<platform::HttpTransfer> FakeHttp::NewTransfer()
{
    cancelCalls.push_back(0);
    auto transfer = std::make_shared<FakeTransfer>(*this, cancelCalls.size() - 1);
    transfers.push_back(transfer);
    return transfer;
}

FakeHttp &fakeHttp()
{
    if (!g_http)
        ResetFakeHttp();
    return *g_http;
}

void ResetFakeHttp()
{
    g_http = std::make_unique<FakeHttp>();
    platform::install(RecorderServices());
}

} // namespace testing_support
