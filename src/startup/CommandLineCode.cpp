#include "startup/CommandLineCode.h"

#include "lock/LockStarter.h"
#include "platform/desktop/RegStuff.h"

#include <cstdio>

namespace CommandLineCode {

namespace {

struct Row {
    const char *sw;
    Target target;
    bool placesRestartEntry; // the lock's own restart entry, as a lock started by hand places it
};

// The order of comparison matters only in that it is fixed; switches are distinct.
constexpr Row kSwitches[] = {
    {"/d", Target::NormalLock, false},       {"/a", Target::About, false},
    {"/b", Target::NormalLock, true},        {"/e", Target::NtStyleLock, true},
    {"/s", Target::PasswordSettings, false}, {"/t", Target::NormalLock, false},
    {"/n", Target::NtStyleLock, false},      {"/w", Target::NtStyleLock, false},
    {"/i", Target::TrayIcon, false},         {"/u", Target::Uninstall, false},
};

} // namespace

Dispatch ParseSwitch(const QString &argText)
{
    const QString sw = argText.left(2);
    for (const Row &row : kSwitches) {
        if (sw != QLatin1String(row.sw))
            continue;
        QString entry;
        if (row.placesRestartEntry)
            entry = row.target == Target::NormalLock ? startup_commands::kNormalLock
                                                     : startup_commands::kNtStyleLock;
        return {row.target, entry};
    }
    return {Target::MainScreen, {}};
}

bool IsLock(Target target)
{
    return target == Target::NormalLock || target == Target::NtStyleLock;
}

int Main(const QString &argText, Targets &targets)
{
    const Dispatch dispatch = ParseSwitch(argText);

    if (IsLock(dispatch.target)) {
        const QString reason = LockRefusal();
        if (!reason.isEmpty()) {
            // Refuse before anything is placed: a lock that only looks locked is worse than none.
            std::fprintf(stderr, "gardlock: cannot lock this display: %s\n", qPrintable(reason));
            return 3;
        }
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
