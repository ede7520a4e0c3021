#pragma once
// How a keyboard layout (an XKB group) is named in the note at the password
// prompts: its short name ("US", "RU", "US INTL") and whether the desktop's
// keyboard options already switch layouts with Alt+Shift. No Qt and no X:
// the names come in as the server gives them.

#include <optional>
#include <string>
#include <string_view>

namespace keyboard_layout {

// The X server's _XKB_RULES_NAMES: what the layouts were configured from.
struct RulesNames {
    std::string rules;
    std::string model;
    std::string layout;  // "ru,us"
    std::string variant; // ",intl"
    std::string options; // "grp:alt_shift_toggle,compose:ralt"
};

// The property's value: five texts, each ended by a NUL (the last one may
// lack it). Nothing when it holds fewer than three.
std::optional<RulesNames> ParseRulesNames(std::string_view value);

// The short name of a group (counted from 0): its layout in capitals, and,
// where another group has the same layout, its variant after a blank. Without
// the rules names, or when they name no layout for the group, the first word
// of the keymap's own group name ("Russian") in capitals; the empty text when
// that is empty too.
std::string ShortName(const std::optional<RulesNames> &names, int group, std::string_view groupName);

// Whether the options bind a group switch to Alt and Shift together
// (grp:alt_shift_toggle and its left, right and two-way kinds), so that a
// switch of our own on those keys would switch twice.
bool BindsAltShiftSwitch(const std::optional<RulesNames> &names);

} // namespace keyboard_layout
