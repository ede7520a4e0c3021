#pragma once
// The switches: the first two characters of the argument text, exactly as
// given, pick what the program brings up. One table for the front (which
// decides whether to lock before anything slow starts) and the dispatcher.

#include <string_view>

namespace switches {

enum class Target { NormalLock, NtStyleLock, About, PasswordSettings, TrayIcon, Uninstall, MainScreen };

struct Row {
    const char *sw;
    Target target;
    bool placesRestartEntry; // the lock's own restart entry, as a lock started by hand places it
    const char *what;        // for the usage text
};

// The order of comparison matters only in that it is fixed; switches are distinct.
inline constexpr Row kSwitches[] = {
    {"/d", Target::NormalLock, false, "Normal lock"},
    {"/a", Target::About, false, "the About screen"},
    {"/b", Target::NormalLock, true, "Normal lock, brought back after a restart until unlocked"},
    {"/e", Target::NtStyleLock, true, "NT-style lock, brought back after a restart until unlocked"},
    {"/s", Target::PasswordSettings, false, "Password Settings"},
    {"/t", Target::NormalLock, false, "Normal lock (the armed start-up lock's switch)"},
    {"/n", Target::NtStyleLock, false, "NT-style lock"},
    {"/w", Target::NtStyleLock, false, "NT-style lock (the armed start-up lock's switch)"},
    {"/i", Target::TrayIcon, false, "the tray icon, the main screen loaded but hidden"},
    {"/u", Target::Uninstall, false, "the uninstall guard"},
};

// The row for the argument text's first two characters; nothing (the main
// screen) when they are no switch.
const Row *Find(std::string_view argText);

inline bool IsLock(Target target)
{
    return target == Target::NormalLock || target == Target::NtStyleLock;
}

} // namespace switches
