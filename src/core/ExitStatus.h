#pragma once
// How either process ends, and the one way it says a lock cannot come up:
// both print "gardlock: cannot lock: <reason>" on stderr and end with
// kCannotRunHere, whoever found the reason.

#include "core/DisplayFacts.h"
#include "core/Switches.h"

#include <string>
#include <string_view>

namespace exit_status {

inline constexpr int kOk = 0;          // the right password, closed, or a second lock while one is up
inline constexpr int kFailed = 1;      // the front could not supervise (no socket pair, no fork)
inline constexpr int kUsage = 2;       // an option where it does not belong (--daemonize without a lock)
inline constexpr int kCannotRunHere = 3; // no usable display, or a lock that could not really hold input
inline constexpr int kUninstallCancelled = 4; // the uninstall guard's Cancel
inline constexpr int kDisplayGone = 70;       // the display went away while running

} // namespace exit_status

// The line for a lock refused for this reason, or for the screen the switch
// shows: "gardlock: cannot lock: <reason>." A reason written as a sentence
// on its own (capital first, final stop) reads as a clause there.
std::string CannotLockLine(std::string_view reason);
std::string CannotRunLine(const switches::Row *row, std::string_view reason);

// The display the program would show on, as the environment names it.
struct DisplayNames {
    std::string x11;     // $DISPLAY
    std::string wayland; // $WAYLAND_DISPLAY
};

// The line when the switch cannot show anything for want of a display;
// empty when it can go on. reachable: whether the X11 display accepts a
// connection (asked only when $DISPLAY is set).
std::string NoDisplayLine(const switches::Row *row, const DisplayNames &names, bool reachable);
// The line for a lock asked for on a Wayland compositor without the session
// lock (ext-session-lock-v1): no program can lock it.
std::string NoSessionLockLine();
// Prints the line on stderr: every refusal is one line there.
void PrintRefusal(const std::string &line);
