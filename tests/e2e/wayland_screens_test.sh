#!/bin/bash
# The screens on a Wayland desktop without X (the test bed's sway, no
# DISPLAY): the main screen comes up on Qt's Wayland platform, its controls
# are on the accessibility bus, and Protection Modes' Normal button, pressed
# through the bus, locks the session through a front of its own; the
# password typed through the virtual keyboard ends that lock and the screens'
# process with it, and the lock's restart entry is placed, then removed.
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

wayland_cleanup
check "no process and no mount left" nothing_left
finish
