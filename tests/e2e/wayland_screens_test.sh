#!/bin/bash
# The screens on a Wayland desktop without X (the test bed's sway, no
# DISPLAY): the main screen comes up on Qt's Wayland platform, its controls
# are on the accessibility bus, and Protection Modes' Normal button, pressed
# through the bus, locks the session through a front of its own; the
# password typed through the virtual keyboard ends that lock and the screens'
# process with it, and the lock's restart entry is placed, then removed.
# On the way, the other screens open and close through the bus; last, the
# uninstall guard takes the password typed through the virtual keyboard.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/lock_common.sh"
source "$(dirname "$0")/wayland_lock_common.sh"

PRESS="$(dirname "$0")/accessible_press.py"
CONTROLS="$(dirname "$0")/accessible_controls.py"
set_password "right"
start_accessibility_bus
start_sway
check "sway's first output is known" note_primary

unset DISPLAY
WAYLAND_DISPLAY=$SWAY_DISPLAY start_gardlock
main_shown() { sway_run swaymsg -t get_tree | grep -F '"name": "Gardlock 2001"' >/dev/null; }
check "the main screen is a window on sway" wait_for 20 main_shown
check "its controls are on the accessibility bus" \
  wait_for 20 bash -c "'$PY' '$CONTROLS' 'Gardlock 2001' | grep -P '^push button\tExit\t' >/dev/null"

# The other screens, each opened and closed through the bus as a screen
# reader's user would, and each a window on sway.
shown() { sway_run swaymsg -t get_tree | grep -F "\"name\": \"$1\"" >/dev/null; }
gone() { ! shown "$1"; }
# open WINDOW CONTROL SCREEN: CONTROL of WINDOW brings up the window SCREEN.
open() { wait_for 10 "$PY" "$PRESS" "$1" "$2" >/dev/null && wait_for 20 shown "$3"; }
# close WINDOW CONTROL: CONTROL of WINDOW takes it away.
close() { wait_for 10 "$PY" "$PRESS" "$1" "$2" >/dev/null && wait_for 20 gone "$1"; }
LOG="Log Viewer - Gardlock 2001" OPTIONS="Options - Gardlock 2001"
check "the Log Viewer" open "Gardlock 2001" "View log" "$LOG"
check "its backup window" open "$LOG" "Backup..." "Log Backup - Gardlock 2001"
check "which closes" close "Log Backup - Gardlock 2001" "Exit"
check "its printer settings" open "$LOG" "Print..." "Printer Settings - Gardlock 2001"
check "which close" close "Printer Settings - Gardlock 2001" "Cancel"
check "Home from the Log Viewer" open "$LOG" "Home" "Gardlock 2001"
check "Options" open "Gardlock 2001" "Options" "$OPTIONS"
check "its text editor" open "$OPTIONS" "edit text" "Text Editor - Gardlock 2001"
check "which closes" close "Text Editor - Gardlock 2001" "Cancel"
check "its picture browser" open "$OPTIONS" "browse..." "Browse for image"
check "which closes" close "Browse for image" "Cancel"
check "back Home" open "$OPTIONS" "Home" "Gardlock 2001"
check "About" open "Gardlock 2001" "About - Click me to read program info such as version number, etc." "About..."
check "which closes" close "About..." "OK"
check "the request window" \
  open "Gardlock 2001" "Click me if you think that this program is missing features that you would like to have." "[...]"
check "which closes" close "[...]" "Cancel"
# No download host here: the update check's failure is a message box.
failure_said() { "$PY" "$CONTROLS" "Gardlock 2001" | grep -F "An error has occured. Update failed." >/dev/null; }
failure_gone() { ! failure_said; }
check "the update check" "$PY" "$PRESS" "Gardlock 2001" "Click me to check for updates."
check "says in a message box that it failed" wait_for 20 failure_said
check "whose OK closes it" "$PY" "$PRESS" "Gardlock 2001" "OK"
check "and it is gone" wait_for 20 failure_gone
check "nothing was said on the way" test ! -s "$E2E_TMP/gardlock.out"

check "Protection Modes opens from its link" wait_for 10 "$PY" "$PRESS" "Gardlock 2001" "Protection Modes"
check "Normal, pressed through the bus" wait_for 10 "$PY" "$PRESS" "System Protection - Gardlock 2001" "Normal"
check "the session is locked and the lock drawn" wait_for 20 shot_is screens-locked lock_drawn
# The lock's own front, started by the screens' process.
LOCK_FRONT=$(pgrep -P "$(pgrep -P "$GARDLOCK_PID" -x gardlock-ui)" -x gardlock)
check "the lock runs under a front of its own" test -n "$LOCK_FRONT"
check "the lock's restart entry is placed" autostart_has "Gardlock.exe /d"
check "the screens' process waits under the lock" kill -0 "$GARDLOCK_PID"
type_text right
press -k Return
wait_exit 20
check "the password ends the lock's front" bash -c "[ -n '$LOCK_FRONT' ] && ! kill -0 '$LOCK_FRONT' 2>/dev/null"
check "and the screens with it (status 0)" test "$STATUS" = 0
check "the desktop is back" wait_for 10 shot_is screens-after shows_desktop
check "the restart entry is gone" autostart_lacks "Gardlock.exe /d"

# The uninstall guard: a window like the others (no grab on Wayland); the
# password typed into it and Enter end it with status 0.
WAYLAND_DISPLAY=$SWAY_DISPLAY start_gardlock /u
check "the uninstall guard is a window on sway" wait_for 20 shown "Gardlock 2001 Uninstall"
type_text right
press -k Return
wait_exit 20
check "the password ends it (status 0)" test "$STATUS" = 0

wayland_cleanup
check "no process and no mount left" nothing_left
finish
