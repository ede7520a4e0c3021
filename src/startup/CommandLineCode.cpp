#include "startup/CommandLineCode.h"

#include "platform/Platform.h"
#include "startup/RegStuff.h"

#include <cstdio>

namespace CommandLineCode {

namespace {

struct Row {
    const char *sw;
    Target target;
    const char *entry;
};

// The order of comparison matters only in that it is fixed; switches are distinct.
constexpr Row kSwitches[] = {
    {"/d", Target::NormalLock, ""},
    {"/a", Target::About, ""},
    {"/b", Target::NormalLock, "Gardlock.exe /d"},
    {"/e", Target::NtStyleLock, "Gardlock.exe /n"},
    {"/s", Target::PasswordSettings, ""},
    {"/t", Target::NormalLock, ""},
    {"/n", Target::NtStyleLock, ""},
    {"/w", Target::NtStyleLock, ""},
    {"/i", Target::TrayIcon, ""},
    {"/u", Target::Uninstall, ""},
};

} // namespace

Dispatch ParseSwitch(const QString &argText)
{
    const QString sw = argText.left(2);
    for (const Row &row : kSwitches)
        if (sw == QLatin1String(row.sw))
            return {row.target, QString::fromLatin1(row.entry)};
    return {Target::MainScreen, {}};
}

bool IsLock(Target target) { return target == Target::NormalLock || target == Target::NtStyleLock; }

int Main(const QString &argText, Targets &targets)
{
    const Dispatch dispatch = ParseSwitch(argText);

    if (IsLock(dispatch.target)) {
        const QString reason = platform::services().shell->CannotLockReason();
        if (!reason.isEmpty()) {
            // Refuse before anything is placed: a lock that only looks locked is worse than none.
            std::fprintf(stderr, "gardlock: cannot lock this display: %s\n", qPrintable(reason));
            return 3;
        }
    }

    if (!dispatch.serviceEntry.isEmpty())
        AddServiceStartup(dispatch.serviceEntry);

    switch (dispatch.target) {
    case Target::NormalLock: targets.ShowNormalLock(); break;
    case Target::NtStyleLock: targets.ShowNtStyleLock(); break;
    case Target::About: targets.ShowAbout(); break;
    case Target::PasswordSettings: targets.ShowPasswordSettings(); break;
    case Target::TrayIcon: targets.ShowTrayIcon(); break;
    case Target::Uninstall: targets.ShowUninstall(); break;
    case Target::MainScreen: targets.ShowMainScreen(); break;
    }
    return 0;
}

} // namespace CommandLineCode
