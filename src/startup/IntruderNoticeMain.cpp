#include "startup/IntruderNoticeMain.h"

#include "core/CommandLine.h"
#include "core/DetachedSpawn.h"
#include "core/TrustedFile.h"
#include "core/WrongPasswordTally.h"
#include "platform/notifications/DesktopNotification.h"
#include "rules/IntruderNoticeText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The Log Viewer, through the front beside this program (it keeps the one-copy guard).
void OpenLogViewer()
{
    const std::string front =
        QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/gardlock")).toStdString();
    if (const std::string why = platform::UntrustedFileReason(front); !why.empty()) {
        std::fprintf(stderr, "gardlock: cannot open the Log Viewer: %s.\n", why.c_str());
        return;
    }
    platform::DetachedStart start;
    start.program = front;
    start.args = {kShowLogOption};
    start.keepStderr = true;
    if (platform::SpawnDetached(start) < 0)
        std::fprintf(stderr, "gardlock: cannot open the Log Viewer: %s.\n", std::strerror(errno));
}

} // namespace

int IntruderNoticeMain(int argc, char **argv)
{
    const std::optional<protocol::WrongPasswordTally> tally =
        argc == 5 ? protocol::ParseTally(std::string(argv[2]) + ' ' + argv[3] + ' ' + argv[4]) : std::nullopt;
    if (!tally) {
        std::fprintf(stderr, "gardlock: %s takes the count and the times of the wrong passwords.\n",
                     kIntruderNoticeOption);
        return 2;
    }
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);

    const IntruderNoticeText text = IntruderNoticeFor(tally->count, QDateTime::fromSecsSinceEpoch(tally->first),
                                                      QDateTime::fromSecsSinceEpoch(tally->last));
    platform::DesktopNotification notification;
    notification.appName = QStringLiteral("Gardlock 2001");
    notification.icon = QStringLiteral("gardlock");
    notification.desktopEntry = QStringLiteral("gardlock");
    notification.summary = text.summary;
    notification.body = text.body;
    notification.actionLabel = kIntruderNoticeAction;
    QString problem;
    switch (platform::ShowNotificationAndWait(notification, kNoticeWaitMs, problem)) {
    case platform::NotificationEnd::NoService:
        std::fprintf(stderr, "gardlock: no notice of the wrong passwords: %s.\n", qPrintable(problem));
        break;
    case platform::NotificationEnd::ActionInvoked:
        OpenLogViewer();
        break;
    case platform::NotificationEnd::Closed:
    case platform::NotificationEnd::TimedOut:
        break;
    }
    return 0;
}
