#pragma once
// The command line as both processes read it: once, from the switch table.

#include "core/Switches.h"

#include <string>

// What the command line asks for before the switch is looked at: the
// front's --help and --version; the program's own options, which count only
// as the first argument: --show-log (the Log Viewer, through the main
// screen's one-copy guard) and --intruder-notice (the notice after an unlock,
// which the front starts); else the switch.
enum class Request { Help, Version, ShowLog, IntruderNotice, Program };

inline constexpr char kShowLogOption[] = "--show-log";
inline constexpr char kIntruderNoticeOption[] = "--intruder-notice";
// The front's watchdog of one intruder command (front/CommandWatchdog.h),
// which the program starts.
inline constexpr char kIntruderCommandOption[] = "--intruder-command";

struct CommandLine {
    Request request = Request::Program;
    std::string argText;                // the arguments after the program's path, joined by blanks
    const switches::Row *row = nullptr; // the switch; nothing: the main screen
};

CommandLine ReadCommandLine(int argc, const char *const *argv);
