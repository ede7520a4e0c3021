#pragma once
// The command line as both processes read it: once, from the switch table.

#include "core/Switches.h"

#include <string>

// What the command line asks for before the switch is looked at.
enum class Request { Help, Version, Program };

struct CommandLine {
    Request request = Request::Program;
    std::string argText;                // the arguments after the program's path, joined by blanks
    const switches::Row *row = nullptr; // the switch; nothing: the main screen
};

CommandLine ReadCommandLine(int argc, const char *const *argv);
