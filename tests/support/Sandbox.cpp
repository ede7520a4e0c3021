#include "support/Sandbox.h"
#include "support/Hooks.h"
#include "platform/ProcessFacts.h"

#include "rules/GuessThrottle.h"
#include "platform/storage/DrivePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace testing_support {

void SandboxTest::SetUp()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/gardlock-test-XXXXXX");
    ASSERT_TRUE(m_dir->isValid());
    const QString root = m_dir->path();
    for (const char *sub : {"home", "config", "data", "runtime"})
        QDir().mkpath(root + "/" + sub);
    qputenv("HOME", (root + "/home").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (root + "/runtime").toLocal8Bit());
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ResetRecorders();
    // One test's wrong passwords must not make the next one wait.
    PasswordGuesses() = GuessThrottle();
    app::SetPathForTesting(root + "/program");
    app::SetTitle("Gardlock 2001");
    RunSetUpHooks();
}

void SandboxTest::TearDown()
{
    RunTearDownHooks();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_dir.reset();
}

QString SandboxTest::home() const
{
    return m_dir->path() + "/home";
}
QString SandboxTest::configHome() const
{
    return m_dir->path() + "/config";
}
QString SandboxTest::driveC() const
{
    return platform::DriveCFolder();
}

QByteArray SandboxTest::ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void SandboxTest::WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

} // namespace testing_support
