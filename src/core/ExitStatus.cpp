#include "core/ExitStatus.h"

#include <cctype>
#include <cstdio>

namespace {

std::string AsClause(std::string_view reason)
{
    std::string text(reason);
    // "This desktop ..." reads "this desktop ..." after the colon; "X11 ..." stays.
    if (text.size() > 1 && std::isupper((unsigned char)text[0]) && std::islower((unsigned char)text[1]))
        text[0] = char(std::tolower((unsigned char)text[0]));
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

} // namespace

std::string CannotLockLine(std::string_view reason)
{
    return "gardlock: cannot lock: " + AsClause(reason);
}

std::string CannotRunLine(const switches::Row *row, std::string_view reason)
{
    if (switches::IsLock(row))
        return CannotLockLine(reason);
    return std::string("gardlock: cannot show ") + switches::WhatItShows(row) + ": " + AsClause(reason);
}

std::string NoDisplayLine(const switches::Row *row, const DisplayNames &names, bool reachable)
{
    if (names.x11.empty()) {
        if (switches::IsLock(row))
            return CannotLockLine("there is no X11 display (DISPLAY is not set); a lock here could not hold "
                                  "the keyboard");
        if (names.wayland.empty())
            return CannotRunLine(row, "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return {};
    }
    if (!reachable)
        return CannotRunLine(row, "the X11 display \"" + names.x11 + "\" cannot be reached");
    return {};
}

std::string NoSessionLockLine()
{
    return CannotLockLine("this Wayland compositor offers no session lock (ext-session-lock-v1), without which "
                          "no program can lock a Wayland session");
}

void PrintRefusal(const std::string &line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
}
