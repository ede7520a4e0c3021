#include "platform/supervision/FrontRestart.h"

#include "core/SupervisionProtocol.h"

#include <QCoreApplication>
#include <QProcess>

namespace platform {

bool StartNewFront(LockKind lock, const protocol::WrongPasswordTally &wrongPasswords)
{
    QProcess front;
    front.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/gardlock"));
    front.setArguments({QString::fromLatin1(switches::LockSwitch(lock, switches::Start::Plain))});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(protocol::kResumeVariable), QStringLiteral("1"));
    if (wrongPasswords.count > 0)
        environment.insert(QString::fromLatin1(protocol::kTallyVariable),
                           QString::fromStdString(protocol::EncodeTally(wrongPasswords)));
    front.setProcessEnvironment(environment);
    front.setStandardInputFile(QProcess::nullDevice());
    return front.startDetached();
}

} // namespace platform
