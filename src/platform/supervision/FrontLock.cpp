#include "platform/supervision/FrontLock.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>

#include <cstdio>

namespace platform {

namespace {

constexpr char kCannotLock[] = "gardlock: cannot lock: ";

QString ReasonIn(const QByteArray &said)
{
    for (const QByteArray &line : said.split('\n'))
        if (line.startsWith(kCannotLock))
            return QString::fromUtf8(line.mid(int(sizeof kCannotLock) - 1)).trimmed();
    return {};
}

} // namespace

bool LocksRunThroughFront()
{
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

void StartFrontLock(LockKind lock, std::function<void(int status, const QString &reason)> ended)
{
    auto *front = new QProcess(QCoreApplication::instance());
    front->setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/gardlock"));
    front->setArguments({QString::fromLatin1(switches::LockSwitch(lock, switches::Start::Plain))});
    front->setStandardInputFile(QProcess::nullDevice());
    // Its stderr is read for the reason of a refusal and passed on to ours.
    front->setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(front, &QProcess::readyReadStandardError, front, [front] {
        const QByteArray said = front->readAllStandardError();
        front->setProperty("said", front->property("said").toByteArray() + said);
        (void)!::fwrite(said.constData(), 1, size_t(said.size()), stderr);
    });
    QObject::connect(front, &QProcess::finished, front, [front, ended](int code, QProcess::ExitStatus how) {
        front->deleteLater();
        ended(how == QProcess::NormalExit ? code : 128 + code, ReasonIn(front->property("said").toByteArray()));
    });
    QObject::connect(front, &QProcess::errorOccurred, front, [front, ended](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        front->deleteLater();
        ended(127, QStringLiteral("the lock's front could not be started (%1)").arg(front->errorString()));
    });
    front->start();
}

} // namespace platform
