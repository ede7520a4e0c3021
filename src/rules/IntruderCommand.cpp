#include "rules/IntruderCommand.h"

#include "core/CommandLine.h"
#include "core/DetachedSpawn.h"
#include "core/TrustedFile.h"
#include "platform/ProcessFacts.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/Settings.h"
#include "rules/GeneralDate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Says once per process why no command runs.
void SayOnce(const std::string &why)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    std::fprintf(stderr, "gardlock: the intruder command is not run: %s.\n", why.c_str());
}

// The lock a running command's watchdog holds: taken here, or -1 when
// another command still runs (or there is nowhere to take it).
int TakeCommandLock()
{
    const QString folder = QFileInfo(platform::DriveCFolder()).absolutePath();
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("intruder-command.lock")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The watchdogs started here, reaped once they have ended.
void ReapEndedWatchdogs(std::vector<pid_t> &watchdogs)
{
    std::erase_if(watchdogs, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

} // namespace

void StartIntruderCommand(int attempt, const QDateTime &moment, bool recorded)
{
    static std::vector<pid_t> watchdogs;
    ReapEndedWatchdogs(watchdogs);
    const QString command = settings::Read(settings::IntruderCommand);
    if (command.trimmed().isEmpty())
        return;
    // Only the user can have named it: nothing typed anywhere sets it.
    const std::string settingsFile = QFile::encodeName(settings::FilePath()).toStdString();
    if (const std::string why = platform::UntrustedFileReason(settingsFile); !why.empty()) {
        SayOnce(why);
        return;
    }
    const std::string watchdog = QFile::encodeName(QDir(app::Path()).filePath(QStringLiteral("gardlock"))).toStdString();
    if (const std::string why = platform::UntrustedFileReason(watchdog); !why.empty()) {
        SayOnce(why);
        return;
    }
    const int lock = TakeCommandLock();
    if (lock < 0)
        return; // one still runs
    platform::DetachedStart start;
    start.program = watchdog;
    start.args = {kIntruderCommandOption, command.toStdString()};
    start.set = {{"GARDLOCK_ATTEMPT", std::to_string(attempt)},
                 {"GARDLOCK_TIME", GeneralDate(moment).toStdString()},
                 {"GARDLOCK_RECORDED", recorded ? "1" : "0"}};
    start.passFd = lock;
    if (const pid_t pid = platform::SpawnDetached(start); pid > 0)
        watchdogs.push_back(pid);
    // The watchdog holds the lock from here; without one it is let go.
    ::close(lock);
}
