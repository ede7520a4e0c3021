#pragma once
// Stand-ins installed at start-up for the services that live in modules
// (see platform/ServiceModules.h): each loads its module from the program's
// folder the first time it is used and passes every call on. A module that
// cannot be loaded leaves the service unavailable, not the program broken:
// fetches fail with a message, and there are no printers.

#include "platform/HttpFetch.h"
#include "platform/Printing.h"

#include <QString>

#include <memory>

namespace platform {

class LazyHttpClient : public HttpClient {
public:
    explicit LazyHttpClient(QString moduleFolder);
    ~LazyHttpClient() override;
    std::shared_ptr<HttpTransfer> NewTransfer() override;
    // Whether the module was loaded (false also before the first use).
    bool Loaded() const { return m_client != nullptr; }

private:
    QString m_folder;
    bool m_tried = false;
    QString m_error;
    std::unique_ptr<HttpClient> m_client;
};

class LazyPrintSystem : public PrintSystem {
public:
    explicit LazyPrintSystem(QString moduleFolder);
    ~LazyPrintSystem() override;
    bool Loaded() const { return m_system != nullptr; }

    QStringList PrinterNames() override;
    QString CurrentPrinter() override;
    void SetCurrentPrinter(const QString &deviceName) override;
    RegistryString QueryRegistryString(RegistryRoot root, const QString &key,
                                       const QString &valueName) override;
    bool ShowPrinterProperties(const QString &deviceName, QWidget *parent) override;
    bool PrintText(const QString &text, int copies) override;

private:
    PrintSystem *System(); // nullptr when the module cannot be loaded

    QString m_folder;
    bool m_tried = false;
    std::unique_ptr<PrintSystem> m_system;
};

} // namespace platform
