#!/bin/bash
# The uninstall guard ("/u") from outside: it holds keyboard and pointer,
# refuses close requests, answers a wrong password with two messages and one
# record, ends with status 0 on the right one and leaves every start-up entry
# and setting in place; "&Cancel" asks loginctl to end this session and ends
# with status 4.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

TITLE="Gardlock 2001 Uninstall"
HEADING="An unauthorized person tried to uninstall this program by typing as a password:"
export XDG_SESSION_ID=e2e-session-42
uninstall_records() { grep -c "^$HEADING" "$DRIVE_C/intruder.log" 2>/dev/null || echo 0; }
uninstall_records_are() { [ "$(uninstall_records)" = "$1" ]; }
# Everything the guard must leave alone, as one fingerprint.
kept_files() {
  (cd "$E2E_TMP" && find config data/gardlock/drive_c -type f ! -name intruder.log -print0 |
    sort -z | xargs -0 md5sum)
}
focused_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

start_desktop
set_password "Right"
place_armed_entry t
place_armed_entry w
printf '[Options]\nBackground1=C:\\\\sky.bmp\nTrayIcon=Enabled\n' >"$XDG_CONFIG_HOME/DW2001.conf"
BEFORE=$(kept_files)

start_gardlock /u
GUARD=$(wait_for 20 visible_named "$TITLE")
check "/u shows the uninstall guard" test -n "$GUARD"
check "the guard holds the keyboard" wait_for 20 keyboard_grab_held
check "the guard holds the pointer" wait_for 20 pointer_grab_held
check "the task bar stays" taskbar_shown
sleep 0.5; screenshot 01-uninstall

"$GARDLOCK_TOOLS/closereq" "$GUARD"
wmctrl -c "$TITLE" 2>/dev/null
sleep 1
check "close requests leave the guard up" shown_named "$TITLE"

xdotool type --delay 40 right; xdotool key Return
DENIED=$(wait_for 20 visible_named "Access Denied!")
check "a wrong password says \"Access Denied!\"" test -n "$DENIED"
check "... before anything is recorded" uninstall_records_are 0
sleep 0.3; screenshot 02-access-denied
xdotool key Return
check "then says it was logged" wait_for 20 shown_named "Gardlock 2001"
check "... still before the record" uninstall_records_are 0
xdotool key Return
check "then one uninstall record is written" wait_for 20 uninstall_records_are 1
check "... holding the typed text" grep -q "^right On " "$DRIVE_C/intruder.log"
check "the guard has the keys back after the messages" wait_for 20 keyboard_grab_held

xdotool type --delay 40 Right; xdotool key Return
await_end right
check "the right password ends with status 0 (got $STATUS)" test "$STATUS" = 0
check "every start-up entry and setting is still in place" test "$(kept_files)" = "$BEFORE"
check "the keys are free again" wait_for 20 grabs_free
check "nobody was logged off" test ! -e "$E2E_TMP/logoff.record"

start_gardlock /u
GUARD=$(wait_for 20 visible_named "$TITLE")
check "/u again" test -n "$GUARD"
wait_for 20 keyboard_grab_held >/dev/null
xdotool mousemove --window "$GUARD" 295 182 click 1 # "&Cancel"
await_end cancel
check "\"&Cancel\" ends at once with status 4 (got $STATUS)" test "$STATUS" = 4
check "... after asking loginctl to end this session" \
  test "$(cat "$E2E_TMP/logoff.record" 2>/dev/null)" = "loginctl terminate-session e2e-session-42"
check "... leaving the entries and settings alone" test "$(kept_files)" = "$BEFORE"
check "... and recording nothing" uninstall_records_are 1
finish
