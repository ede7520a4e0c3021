// The services loaded on first use: the real modules from the build, and a
// folder without them, where the program must go on without the service.

#include "platform/modules/LazyServices.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

const QString kBuiltModules = QStringLiteral(GARDLOCK_MODULE_DIR);
const QString kNoModules = QStringLiteral("/nonexistent/gardlock-modules");

TEST(LazyServices, HttpModuleIsLoadedOnFirstTransferAndFetches)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        QTcpSocket *socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (socket->readAll().contains("/missing"))
                socket->write("HTTP/1.0 404 Not Found\r\nContent-Length: 15\r\n\r\n<!DOCTYPE html>");
            else
                socket->write("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
            socket->disconnectFromHost();
        });
    });

    platform::LazyHttpClient client(kBuiltModules);
    EXPECT_FALSE(client.Loaded());
    const std::shared_ptr<platform::HttpTransfer> transfer = client.NewTransfer();
    ASSERT_TRUE(client.Loaded());
    const platform::FetchResult result =
        transfer->OpenURL(QStringLiteral("http://127.0.0.1:%1/news2.txt").arg(server.serverPort()), 100);
    EXPECT_TRUE(result.ok) << result.errorDescription.toStdString();
    EXPECT_EQ(result.body, "hello");
    // The module's client too takes no error page for a file, however few bytes are asked for.
    const platform::FetchResult missing = transfer->OpenURL(
        QStringLiteral("http://127.0.0.1:%1/missing/application.ver").arg(server.serverPort()), 4);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.errorNumber, 203); // Qt's "content not found"
}

TEST(LazyServices, WithoutItsModuleAFetchFailsWithAMessage)
{
    platform::LazyHttpClient client(kNoModules);
    const std::shared_ptr<platform::HttpTransfer> transfer = client.NewTransfer();
    EXPECT_FALSE(client.Loaded());
    const platform::FetchResult result = transfer->OpenURL(QStringLiteral("http://127.0.0.1:9/"), 100);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_NE(result.errorNumber, 0);
    EXPECT_TRUE(result.errorDescription.contains("HTTP module")) << result.errorDescription.toStdString();
    EXPECT_FALSE(transfer->StillExecuting());
    // Every later transfer says the same, without trying again.
    EXPECT_FALSE(client.NewTransfer()->OpenURL(QStringLiteral("http://127.0.0.1:9/"), 100).ok);
}

TEST(LazyServices, AModuleOtherUsersCouldReplaceIsNotLoaded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("gardlock-http.so"));
    ASSERT_TRUE(QFile::copy(kBuiltModules + QStringLiteral("/gardlock-http.so"), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther);
    struct Case {
        QFileDevice::Permissions extra;
        bool folder;
        bool loads;
    };
    const Case cases[] = {
        {{}, false, true},
        {QFile::WriteOther, false, false}, // the module itself
        {QFile::WriteOther, true, false},  // its folder
    };
    for (const Case &c : cases) {
        const QString target = c.folder ? dir.path() : copy;
        const QFileDevice::Permissions before = QFile::permissions(target);
        QFile::setPermissions(target, before | c.extra);
        platform::LazyHttpClient client(dir.path());
        const platform::FetchResult result =
            client.NewTransfer()->OpenURL(QStringLiteral("http://127.0.0.1:9/"), 100);
        EXPECT_EQ(client.Loaded(), c.loads) << target.toStdString();
        if (!c.loads) {
            EXPECT_TRUE(result.errorDescription.contains("written by every user"))
                << result.errorDescription.toStdString();
        }
        QFile::setPermissions(target, before);
    }
}

TEST(LazyServices, PrintModuleIsLoadedOnFirstUse)
{
    // No scheduler answers here: the module still loads and reports no printers.
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    platform::LazyPrintSystem printing(kBuiltModules);
    EXPECT_FALSE(printing.Loaded());
    printing.PrinterNames();
    EXPECT_TRUE(printing.Loaded());
}

TEST(LazyServices, WithoutItsModuleThereAreNoPrinters)
{
    platform::LazyPrintSystem printing(kNoModules);
    EXPECT_TRUE(printing.PrinterNames().isEmpty());
    EXPECT_TRUE(printing.CurrentPrinter().isEmpty());
    printing.SetCurrentPrinter(QStringLiteral("lp"));
    EXPECT_TRUE(printing.CurrentPrinter().isEmpty());
    EXPECT_EQ(printing
                  .QueryRegistryString(platform::RegistryRoot::CurrentConfig,
                                       QStringLiteral("System\\CurrentControlSet\\Control\\Print\\Printers"),
                                       QStringLiteral("Default"))
                  .status,
              platform::RegistryString::Status::NoKey);
    EXPECT_FALSE(printing.ShowPrinterProperties(QStringLiteral("lp"), nullptr));
    EXPECT_FALSE(printing.PrintText(QStringLiteral("x"), 1));
    EXPECT_FALSE(printing.Loaded());
}

} // namespace
