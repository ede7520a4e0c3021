#!/bin/bash
# Two keyboard layouts, the Russian one active, keys pressed by their key
# codes as a keyboard sends them: the Normal lock names the layout and says
# when Caps Lock is on, on screen and on the accessibility bus; its password
# box can be read there but not written; a click on the layout note or
# Alt+Shift switches the layout under the lock's grab, and the password
# typed on the usual keys then unlocks. Password Settings says Caps Lock too.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

CONTROLS="$(dirname "$0")/accessible_controls.py"
TITLE="Desktop status: Locked"

start_desktop
start_accessibility_bus
set_password "sesame"
# Key codes from the keymap before the second layout comes in.
PASSWORD_KEYS=()
for k in s e s a m e Return; do c=$(keycode "$k"); PASSWORD_KEYS+=("+$c" "-$c"); done
CAPS=$(keycode Caps_Lock); SHIFT=$(keycode Shift_L); ALT=$(keycode Alt_L)
setxkbmap -layout ru,us
type_password() { "$GARDLOCK_TOOLS/xtestkeys" 20000 "${PASSWORD_KEYS[@]}" >/dev/null; }
press() { "$GARDLOCK_TOOLS/xtestkeys" 20000 "$@" >/dev/null; }

# The window's labels as the bus shows them: "name<TAB>description" of those showing.
shown_labels() { "$PY" "$CONTROLS" "$1" 2>/dev/null | awk -F'\t' '$1 == "label" && $4 == "showing" {print $2 "\t" $3}'; }
label_shown() { shown_labels "$1" | grep -x "$2" >/dev/null; }
label_gone() { ! shown_labels "$1" | grep "^$2	" >/dev/null; }
password_box() { "$PY" "$CONTROLS" "$1" 2>/dev/null | awk -F'\t' '$1 == "password text"'; }
# Where the bus says a label is: "x y" of its middle.
label_middle() {
  "$PY" "$CONTROLS" "$1" 2>/dev/null | awk -F'\t' -v n="$2" '$1 == "label" && $2 == n {split($5, b, ","); print b[1] + int(b[3] / 2), b[2] + int(b[4] / 2); exit}'
}

start_gardlock /d
LOCK=$(wait_for 20 visible_named "$TITLE")
check "the Normal lock comes up" test -n "$LOCK"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
check "the layout note names the Russian layout, read as RU" wait_for 20 label_shown "$TITLE" "RU	Russian"
check "no Caps Lock note while Caps Lock is off" label_gone "$TITLE" "Caps Lock is on"
check "the password box is password text on the bus" test -n "$(password_box "$TITLE")"
check "... that assistive tools can read but not write" test "$(password_box "$TITLE" | cut -f6)" = read-only
screenshot keyboard-01-russian

type_password
check "the password typed in the Russian layout is refused and recorded" wait_for 20 records_are 1
check "... and the lock stays" gardlock_alive

press "+$CAPS" "-$CAPS"
check "Caps Lock on shows its note" wait_for 10 label_shown "$TITLE" "Caps Lock is on	"
screenshot keyboard-02-caps-lock
press "+$CAPS" "-$CAPS"
check "Caps Lock off hides it" wait_for 10 label_gone "$TITLE" "Caps Lock is on"

read -r X Y <<<"$(label_middle "$TITLE" RU)"
check "the layout note has a place on the screen" test -n "$X" -a -n "$Y"
xdotool mousemove "$X" "$Y" click 1
check "a click on it switches to the US layout" wait_for 10 label_shown "$TITLE" "US	English (US)"
press "+$SHIFT" "+$ALT" "-$ALT" "-$SHIFT"
check "Alt+Shift switches back to Russian" wait_for 10 label_shown "$TITLE" "RU	Russian"
press "+$ALT" "+$SHIFT" "-$SHIFT" "-$ALT"
check "... and again to US" wait_for 10 label_shown "$TITLE" "US	English (US)"
screenshot keyboard-03-us

type_password
await_end unlock
check "the same keys in the US layout unlock (status $STATUS)" test "$STATUS" = 0
check "still one record" records_are 1

# A new password set with Caps Lock on would keep its owner out.
press "+$CAPS" "-$CAPS"
start_gardlock /s
SETTINGS="Password Settings - Gardlock 2001"
check "Password Settings comes up" wait_for 20 visible_named "$SETTINGS"
check "... saying that Caps Lock is on" wait_for 20 label_shown "$SETTINGS" "Caps Lock is on	"
screenshot keyboard-04-password-settings
press "+$CAPS" "-$CAPS"
check "... until it is off" wait_for 10 label_gone "$SETTINGS" "Caps Lock is on"
kill -9 $(pgrep -P "$GARDLOCK_PID") "$GARDLOCK_PID" 2>/dev/null

finish
