#include "startup/CommandLineCode.h"

#include "core/ExitStatus.h"
#include "lock/LockStarter.h"
#include "platform/autostart/RegStuff.h"
#include "platform/supervision/LockSupervision.h"
#include "rules/PasswordStore.h"

#include <cstdio>

namespace CommandLineCode {

Dispatch DispatchFor(const switches::Row *row)
{
    if (!row)
        return {};
    Dispatch dispatch{row->target, row->lock, {}};
    if (switches::IsLock(row) && row->start == switches::Start::RestartEntry)
        dispatch.serviceEntry = startup_commands::RestartEntry(row->lock);
    return dispatch;
}

int Main(const switches::Row *row, Targets &targets)
{
    const Dispatch dispatch = DispatchFor(row);

    if (dispatch.target == Target::Lock) {
        // A lock brought back after its process died was up: it comes up again
        // whatever a fresh one would refuse for (a grab-breaking key bound since).
        const QString reason = platform::lockSupervision().MustComeBack() ? QString() : LockRefusal();
        if (!reason.isEmpty()) {
            // Refuse before anything is placed: a lock that only looks locked is worse than none.
            PrintRefusal(CannotLockLine(reason.toStdString()));
            platform::lockSupervision().LockRefused();
            return exit_status::kCannotRunHere;
        }
        // The lock still comes up (the missing file is the empty password),
        // but whoever started it learns that Enter alone opens it.
        if (PasswordFileMissing())
            std::fputs("gardlock: no password is set; this lock opens with Enter alone. "
                       "Set one with: gardlock /s\n",
                       stderr);
    }

    // The lock comes up whether or not its entry could be written; it says so itself.
    if (!dispatch.serviceEntry.isEmpty())
        (void)PlaceRestartEntry(dispatch.serviceEntry);

    switch (dispatch.target) {
    case Target::Lock:
        targets.ShowLock(dispatch.lock);
        break;
    case Target::About:
        targets.ShowAbout();
        break;
    case Target::PasswordSettings:
        targets.ShowPasswordSettings();
        break;
    case Target::TrayIcon:
        targets.ShowTrayIcon();
        break;
    case Target::Uninstall:
        targets.ShowUninstall();
        break;
    case Target::MainScreen:
        targets.ShowMainScreen();
        break;
    }
    return exit_status::kOk;
}

int Main(const CommandLine &line, Targets &targets)
{
    if (line.request == Request::ShowLog) {
        targets.ShowLogViewer();
        return exit_status::kOk;
    }
    return Main(line.row, targets);
}

} // namespace CommandLineCode
