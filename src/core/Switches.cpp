#include "core/Switches.h"

namespace switches {

const Row *Find(std::string_view argText)
{
    const std::string_view sw = argText.substr(0, 2);
    for (const Row &row : kSwitches)
        if (sw == row.sw)
            return &row;
    return nullptr;
}

const char *LockSwitch(LockKind kind, Start start)
{
    for (const Row &row : kSwitches)
        if (row.target == Target::Lock && row.lock == kind && row.start == start)
            return row.sw;
    return ""; // every kind has a row for every start
}

const char *WhatItShows(const Row *row)
{
    return row ? row->what : "the main screen";
}

} // namespace switches
