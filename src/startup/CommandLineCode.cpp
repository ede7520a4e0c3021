#include "startup/CommandLineCode.h"

#include "lock/LockStarter.h"
#include "lock/PasswordStore.h"
#include "platform/LockSupervision.h"
#include "platform/desktop/RegStuff.h"

#include <cstdio>

namespace CommandLineCode {

Dispatch ParseSwitch(const QString &argText)
{
    // Two characters, not two bytes: a switch is plain ASCII, so anything else misses.
    const switches::Row *row = switches::Find(argText.left(2).toStdString());
    if (!row)
        return {Target::MainScreen, {}};
    QString entry;
    if (row->placesRestartEntry)
        entry = row->target == Target::NormalLock ? startup_commands::kNormalLock
                                                  : startup_commands::kNtStyleLock;
    return {row->target, entry};
}

bool IsLock(Target target)
{
    return switches::IsLock(target);
}

int Main(const QString &argText, Targets &targets)
{
    const Dispatch dispatch = ParseSwitch(argText);

    if (CommandLineCode::IsLock(dispatch.target)) {
        // A lock brought back after its process died was up: it comes up again
        // whatever a fresh one would refuse for (a grab-breaking key bound since).
        const QString reason = platform::lockSupervision().MustComeBack() ? QString() : LockRefusal();
        if (!reason.isEmpty()) {
            // Refuse before anything is placed: a lock that only looks locked is worse than none.
            std::fprintf(stderr, "gardlock: cannot lock this display: %s\n", qPrintable(reason));
            platform::lockSupervision().LockRefused();
            return 3;
        }
        // The lock still comes up (the missing file is the empty password),
        // but whoever started it learns that Enter alone opens it.
        if (PasswordFileMissing())
            std::fputs("gardlock: no password is set; this lock opens with Enter alone. "
                       "Set one with: gardlock /s\n",
                       stderr);
    }

    if (!dispatch.serviceEntry.isEmpty())
        AddServiceStartup(dispatch.serviceEntry);

    switch (dispatch.target) {
    case Target::NormalLock:
        targets.ShowNormalLock();
        break;
    case Target::NtStyleLock:
        targets.ShowNtStyleLock();
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
    return 0;
}

} // namespace CommandLineCode
