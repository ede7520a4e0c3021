#pragma once
// A scripted HTTP client for tests: answers each URL from a table, records
// what was asked, and can run test code inside a fetch, where the real client
// lets window events run (a click on "&Cancel", say).

#include "platform/HttpFetch.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace testing_support {

struct FakeReply {
    QByteArray body;
    int errorNumber = 0; // non-zero: the fetch fails with it
    QString description;
    bool hang = false; // runs window events until cancelled
};

class FakeHttp : public platform::HttpClient {
public:
    // Replies by URL; a URL with none fails as a refused connection.
    std::map<QString, FakeReply> replies;
    QStringList requested;        // URLs in the order fetched
    std::vector<qint64> maxBytes; // the limit of each fetch
    std::vector<bool> cancelledFetches;
    std::vector<int> cancelCalls; // Cancel() calls, by transfer in the order made
    // Runs inside every fetch, with its URL, before it answers.
    std::function<void(const QString &)> duringFetch;
    // The transfers made so far, for StillExecuting/Cancel checks.
    std::vector<std::weak_ptr<platform::HttpTransfer>> transfers;

    std::shared_ptr<platform::HttpTransfer> NewTransfer() override;
};

FakeHttp &fakeHttp();
// A fresh fake; installs RecorderServices() (Recorders.h) with it.
void ResetFakeHttp();

} // namespace testing_support
