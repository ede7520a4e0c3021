#pragma once
// The switches: the first two characters of the argument text, exactly as
// given, pick what the program brings up. One table for both processes: the
// front decides from it whether to lock before anything slow starts, the
// program what to bring up, and the start-up entries and relaunches name
// their switch from it.

#include <string_view>

// The two locks.
enum class LockKind { Normal, NtStyle };

namespace switches {

enum class Target { Lock, About, PasswordSettings, TrayIcon, Uninstall, MainScreen };

// How a lock's switch starts it.
enum class Start {
    Plain,        // as asked (by hand, by a locker, after a crash)
    RestartEntry, // placing the lock's restart entry first, as a lock started by hand does
    Armed,        // the armed start-up lock's entry
};

struct Row {
    const char *sw;
    Target target;
    LockKind lock; // Target::Lock only
    Start start;   // Target::Lock only
    const char *what; // for the usage text
};

// The order of comparison matters only in that it is fixed; switches are distinct.
inline constexpr Row kSwitches[] = {
    {"/d", Target::Lock, LockKind::Normal, Start::Plain, "Normal lock"},
    {"/a", Target::About, {}, {}, "the About screen"},
    {"/b", Target::Lock, LockKind::Normal, Start::RestartEntry,
     "Normal lock, brought back after a restart until unlocked"},
    {"/e", Target::Lock, LockKind::NtStyle, Start::RestartEntry,
     "NT-style lock, brought back after a restart until unlocked"},
    {"/s", Target::PasswordSettings, {}, {}, "Password Settings"},
    {"/t", Target::Lock, LockKind::Normal, Start::Armed, "Normal lock (the armed start-up lock's switch)"},
    {"/n", Target::Lock, LockKind::NtStyle, Start::Plain, "NT-style lock"},
    {"/w", Target::Lock, LockKind::NtStyle, Start::Armed, "NT-style lock (the armed start-up lock's switch)"},
    {"/i", Target::TrayIcon, {}, {}, "the tray icon, the main screen loaded but hidden"},
    {"/u", Target::Uninstall, {}, {}, "the uninstall guard"},
};

// The row for the argument text's first two characters; nothing (the main
// screen) when they are no switch.
const Row *Find(std::string_view argText);

inline bool IsLock(const Row *row)
{
    return row && row->target == Target::Lock;
}

// The switch that brings up a lock of this kind started this way ("/d", "/n", ...).
const char *LockSwitch(LockKind kind, Start start = Start::Plain);

// What a switch brings up, for a line that says it cannot ("the main screen"
// for no switch).
const char *WhatItShows(const Row *row);

} // namespace switches
