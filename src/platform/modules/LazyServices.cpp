#include "platform/modules/LazyServices.h"

#include "platform/ServiceModules.h"
#include "core/TrustedFile.h"

#include <QDir>

#include <cstdio>
#include <dlfcn.h>

namespace platform {

namespace {

// The error number a fetch reports when there is no HTTP client at all
// (Qt's "unknown network error").
constexpr int kErrNoHttpModule = 99;

// Opens folder/file and finds entry in it. The module stays loaded for the
// rest of the run: the objects it made may be in use until the end.
void *LoadEntry(const QString &folder, const char *file, const char *entry, QString &error)
{
    const QByteArray path = QDir(QDir(folder).absolutePath()).filePath(QString::fromLatin1(file)).toLocal8Bit();
    // Code that another user could have put there is not loaded.
    if (const std::string why = UntrustedFileReason(path.toStdString()); !why.empty()) {
        error = QString::fromStdString(why);
        return nullptr;
    }
    void *module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = QString::fromLocal8Bit(::dlerror());
        return nullptr;
    }
    void *symbol = ::dlsym(module, entry);
    if (!symbol)
        error = QString::fromLocal8Bit(::dlerror());
    return symbol;
}

class UnavailableTransfer : public HttpTransfer {
public:
    explicit UnavailableTransfer(QString reason) : m_reason(std::move(reason)) {}
    FetchResult OpenURL(const QString &, qint64) override
    {
        FetchResult result;
        result.errorNumber = kErrNoHttpModule;
        result.errorDescription = m_reason;
        return result;
    }
    bool StillExecuting() const override { return false; }
    void Cancel() override {}

private:
    QString m_reason;
};

} // namespace

LazyHttpClient::LazyHttpClient(QString moduleFolder) : m_folder(std::move(moduleFolder)) {}
LazyHttpClient::~LazyHttpClient() = default;

std::shared_ptr<HttpTransfer> LazyHttpClient::NewTransfer()
{
    if (!m_tried) {
        m_tried = true;
        if (void *entry = LoadEntry(m_folder, modules::kHttpFile, modules::kHttpEntry, m_error))
            m_client.reset(reinterpret_cast<modules::HttpEntry>(entry)());
        if (!m_client)
            std::fprintf(stderr, "gardlock: no HTTP client: %s\n", qPrintable(m_error));
    }
    if (!m_client)
        return std::make_shared<UnavailableTransfer>(
            QStringLiteral("The program's HTTP module could not be loaded (%1).").arg(m_error));
    return m_client->NewTransfer();
}

LazyPrintSystem::LazyPrintSystem(QString moduleFolder) : m_folder(std::move(moduleFolder)) {}
LazyPrintSystem::~LazyPrintSystem() = default;

PrintSystem *LazyPrintSystem::System()
{
    if (!m_tried) {
        m_tried = true;
        QString error;
        if (void *entry = LoadEntry(m_folder, modules::kPrintFile, modules::kPrintEntry, error))
            m_system.reset(reinterpret_cast<modules::PrintEntry>(entry)());
        else
            std::fprintf(stderr, "gardlock: no printing: %s\n", qPrintable(error));
    }
    return m_system.get();
}

QStringList LazyPrintSystem::PrinterNames()
{
    PrintSystem *system = System();
    return system ? system->PrinterNames() : QStringList();
}

QString LazyPrintSystem::CurrentPrinter()
{
    PrintSystem *system = System();
    return system ? system->CurrentPrinter() : QString();
}

void LazyPrintSystem::SetCurrentPrinter(const QString &deviceName)
{
    if (PrintSystem *system = System())
        system->SetCurrentPrinter(deviceName);
}

RegistryString LazyPrintSystem::QueryRegistryString(RegistryRoot root, const QString &key,
                                                    const QString &valueName)
{
    PrintSystem *system = System();
    return system ? system->QueryRegistryString(root, key, valueName) : RegistryString{};
}

bool LazyPrintSystem::ShowPrinterProperties(const QString &deviceName, QWidget *parent)
{
    PrintSystem *system = System();
    return system && system->ShowPrinterProperties(deviceName, parent);
}

bool LazyPrintSystem::PrintText(const QString &text, int copies)
{
    PrintSystem *system = System();
    return system && system->PrintText(text, copies);
}

} // namespace platform
