#pragma once
// The front: the `gardlock` executable. It links no Qt, so it starts in a
// few milliseconds: it answers --help and --version, refuses when there is no
// display, takes the keyboard and pointer and covers the screen before a
// lock's program starts, and supervises the program (gardlock-ui) it runs.

#include "front/Switches.h"

#include <string>

namespace platform {
class LockCover;
}

namespace front {

// What the command line asks for before the switch is looked at.
enum class Request { Help, Version, Program };

struct CommandLine {
    Request request = Request::Program;
    std::string argText;                // the arguments after the program's path, joined by blanks
    const switches::Row *row = nullptr; // the switch; nothing: the main screen
};

CommandLine ReadCommandLine(int argc, const char *const *argv);

// What --help prints.
std::string UsageText();

// The display the program would show on, as the environment names it.
struct DisplayNames {
    std::string x11;     // $DISPLAY
    std::string wayland; // $WAYLAND_DISPLAY
};

// The one line printed (and status 3) when the switch cannot show anything
// for want of a display; empty when it can go on. reachable: whether the X11
// display accepts a connection (asked only when $DISPLAY is set).
std::string NoDisplayLine(const CommandLine &line, const DisplayNames &names, bool reachable);

// The sleep-lock descriptor ($XSS_SLEEP_LOCK_FD), taken out of the
// environment; -1 when there is none or it is not an open descriptor.
int TakeSleepLockFd();

// The whole front: returns the status the process ends with.
int Main(int argc, char **argv, platform::LockCover &cover);

} // namespace front
