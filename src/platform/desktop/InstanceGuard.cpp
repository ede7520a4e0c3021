#include "platform/desktop/InstanceGuard.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 2000;
const QByteArray kActivate = QByteArrayLiteral("activate ");

QPointer<QLocalServer> &Server()
{
    static QPointer<QLocalServer> server;
    return server;
}

// The earlier copy's side: one line "activate <title>" per request.
void Answer(QLocalSocket *socket)
{
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
        while (socket->canReadLine()) {
            const QByteArray line = socket->readLine().trimmed();
            if (!line.startsWith(kActivate))
                continue;
            const QString title = QString::fromUtf8(line.mid(kActivate.size()));
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && window->windowTitle() == title) {
                    window->raise();
                    window->activateWindow();
                    break;
                }
            }
        }
    });
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
}

} // namespace

QString InstanceSocketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("gardlock-%1.instance").arg(::getuid()));
}

InstanceState ClaimInstance()
{
    const QString path = InstanceSocketPath();
    QPointer<QLocalServer> &server = Server();
    if (server && server->isListening() && server->fullServerName() == path)
        return InstanceState::First;
    delete server.data();

    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.disconnectFromServer();
        return InstanceState::EarlierCopyRuns;
    }
    // Nobody answers: whatever is left at the path is a crashed copy's socket.
    QLocalServer::removeServer(path);
    server = new QLocalServer(qApp);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        std::fprintf(stderr, "gardlock: cannot tell whether another copy runs: %s: %s\n", qPrintable(path),
                     qPrintable(server->errorString()));
        delete server.data();
        return InstanceState::Unavailable;
    }
    QObject::connect(server.data(), &QLocalServer::newConnection, server.data(), [s = server.data()] {
        while (QLocalSocket *socket = s->nextPendingConnection())
            Answer(socket);
    });
    return InstanceState::First;
}

bool ActivateEarlierCopy(const QString &title)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivate + title.toUtf8() + '\n');
    const bool written = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return written;
}

} // namespace platform
