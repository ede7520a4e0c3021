#!/bin/bash
# The tray icon on a Wayland desktop without X (the test bed's sway, no
# DISPLAY): "/i" started before the panel's tray shows nothing and says
# nothing; once a StatusNotifierItem host comes up, the icon registers with
# its tip and the program's menu, and again when the host comes back. The
# menu's entries, clicked as a host clicks them, do what they say: "Main
# Screen" shows the main screen, "Normal Lock" locks the session through a
# front of its own (the restart entry placed), and the password ends it.
# Started with the host up, the icon comes at once and "Exit" ends it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/lock_common.sh"
source "$(dirname "$0")/wayland_lock_common.sh"

HOST="$(dirname "$0")/sni_host.py"
ITEM="$E2E_TMP/tray-item"
set_password "right"
start_session_bus
start_sway
check "sway's first output is known" note_primary

unset DISPLAY
WAYLAND_DISPLAY=$SWAY_DISPLAY start_gardlock /i
pause 3
check "/i without a tray keeps running" kill -0 "$GARDLOCK_PID"
UI_PID=$(pgrep -P "$GARDLOCK_PID" -x gardlock-ui)
no_window() { ! sway_run swaymsg -t get_tree | grep -F "\"pid\": $UI_PID," >/dev/null; }
check "and shows no window" no_window
check "and reports nothing" test ! -s "$E2E_TMP/gardlock.out"

start_host() { "$PY" "$HOST" serve "$ITEM" 2>"$E2E_TMP/host.err" & HOST_PID=$!; E2E_PIDS+=($HOST_PID); }
registered() { grep -x "tip Gardlock 2001 (right-click for menu)" "$ITEM" >/dev/null; }
start_host
check "the icon registers with a host that came up later" wait_for 20 registered
check "with the program's icon" grep -E '^icon [1-9][0-9]*x[1-9]' "$ITEM"
menu_entries() { sed -n 's/^entry [0-9]* //p' "$ITEM" | paste -sd '|'; }
check "and the program's menu" test "$(menu_entries)" = "Normal Lock|NT Style Lock|-|Main Screen|-|About|Exit"

kill "$HOST_PID"; wait "$HOST_PID" 2>/dev/null; rm -f "$ITEM"
start_host
check "it registers again when the host comes back" wait_for 20 registered

main_shown() { sway_run swaymsg -t get_tree | grep -F '"name": "Gardlock 2001"' >/dev/null; }
"$PY" "$HOST" click "$ITEM" "Main Screen"
check "Main Screen shows the main screen" wait_for 20 main_shown

"$PY" "$HOST" click "$ITEM" "Normal Lock"
check "Normal Lock locks the session and draws the lock" wait_for 20 shot_is tray-locked lock_drawn
check "the lock's restart entry is placed" autostart_has "Gardlock.exe /d"
type_text right
press -k Return
wait_exit 20
check "the password ends the lock and the program (status 0)" test "$STATUS" = 0
check "the desktop is back" wait_for 10 shot_is tray-after shows_desktop
check "the restart entry is gone" autostart_lacks "Gardlock.exe /d"

# With the host already up, the icon comes at once; "Exit" ends the program.
rm -f "$ITEM"
WAYLAND_DISPLAY=$SWAY_DISPLAY start_gardlock /i
check "/i with a host up registers at once" wait_for 20 registered
"$PY" "$HOST" click "$ITEM" "Exit"
wait_exit 20
check "Exit ends the program (status 0)" test "$STATUS" = 0

wayland_cleanup
check "no process and no mount left" nothing_left
finish
