#pragma once
// Keys that break grabs. With the XKB option grab:break_actions the server
// itself, not any client, acts on two keys: Ctrl+Alt+KP_Divide drops every
// active grab, and Ctrl+Alt+KP_Multiply kills the client that holds one. A
// lock cannot hold the keyboard against them, so it refuses to start while
// they are bound and says so while it is up. The keysyms (XF86Ungrab,
// XF86ClearGrab) are in every ordinary keymap; only the server actions bound
// to them matter. Plain xcb: the front and the program both ask.

#include <cstdint>
#include <string_view>

namespace platform::x11 {

// Whether the keymap of $DISPLAY binds either server action. Asked on a
// connection of its own (XKB changes how a connection's key events read),
// a few round trips; false when it cannot be found out.
bool BindsGrabBreakingKeys();

// Whether one XKB action (its 8 bytes on the wire) is one of them: a private
// action of type 0x86 whose data reads "Ungrab" or "ClsGrb".
bool IsGrabBreakingAction(const std::uint8_t action[8]);

// Whether the text of the root window's _XKB_RULES_NAMES (rules, model,
// layout, variant and options, NUL-separated) names grab:break_actions.
bool RulesNamesBreakGrabs(std::string_view names);

// The sentence a lock refusing for them prints after "cannot lock: ".
const char *GrabBreakingKeysReason();

} // namespace platform::x11
