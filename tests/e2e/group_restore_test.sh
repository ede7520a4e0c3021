#!/bin/bash
# The desktop's keyboard layout group comes back when a lock ends: the owner
# may switch the group while the lock is up (here from outside, as a layout
# switcher does), and the right password gives the desktop the group it had
# when the lock came up. A lock brought back after a crash keeps the group
# chosen meanwhile, and the group still comes back at its end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

ulimit -c 0 # the crash is on purpose
TITLE="Desktop status: Locked"

start_desktop
set_password "sesame"
# Key codes from the keymap before the second layout comes in.
PASSWORD_KEYS=()
for k in s e s a m e Return; do c=$(keycode "$k"); PASSWORD_KEYS+=("+$c" "-$c"); done
setxkbmap -layout us,ru
type_password() { "$GARDLOCK_TOOLS/xtestkeys" 20000 "${PASSWORD_KEYS[@]}" >/dev/null; }
group_is() { [ "$("$GARDLOCK_TOOLS/xkbgroup")" = "$1" ]; }
window_of() { local w; w=$(visible_named "$1") && [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$2" ]; }

"$GARDLOCK_TOOLS/xkbgroup" 1
check "the desktop is on the second layout" group_is 1

start_gardlock /d
check "the lock comes up" wait_for 20 shown_named "$TITLE"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
"$GARDLOCK_TOOLS/xkbgroup" 0
check "the group is switched to the first layout under the lock" group_is 0
type_password
await_end unlock
check "the password typed on the first layout unlocks (status $STATUS)" test "$STATUS" = 0
check "the desktop has its second layout back" wait_for 10 group_is 1

start_gardlock /d
check "a second lock comes up" wait_for 20 shown_named "$TITLE"
check "... holding the keyboard" wait_for 20 keyboard_grab_held
"$GARDLOCK_TOOLS/xkbgroup" 0
FIRST=$(wait_for 5 lock_process)
kill -SEGV "$FIRST"
RELAUNCHED=$(wait_for 20 other_lock_process "$FIRST")
check "the crashed lock comes back in a new process" test -n "$RELAUNCHED"
check "... shown" wait_for 20 window_of "$TITLE" "$RELAUNCHED"
check "... holding the keyboard" wait_for 20 keyboard_grab_held
check "the relaunch keeps the group chosen under the lock" group_is 0
type_password
await_end relaunched
check "the password unlocks the relaunched lock (status $STATUS)" test "$STATUS" = 0
check "the desktop has its second layout back again" wait_for 10 group_is 1

finish
