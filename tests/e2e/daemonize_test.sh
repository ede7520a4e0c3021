#!/bin/bash
# `gardlock --daemonize SWITCH`, as swayidle -w and other lockers that wait
# for their command use it: it returns 0 once the display is held, read to
# the end through a pipe (a lock left holding the caller's streams would
# hang it), the lock stays up in a session of its own and the password still
# ends it; on X11 (Xvfb) with the keyboard grabbed, and on the test bed's
# sway with the desktop hidden. With a switch that is no lock it says so and
# ends with 2; a refusal still returns 3.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/lock_common.sh"
source "$(dirname "$0")/wayland_lock_common.sh"

set_password "right"
# daemonized ENV...: the front with --daemonize /d, its output read to the
# end as a caller's $(...) does; sets STATUS and SAID. The bound only keeps a
# hang from stalling the run.
daemonized() {
  SAID=$(timeout 30 env "$@" "$GARDLOCK_BIN" --daemonize /d 2>&1)
  STATUS=$?
}
# The lock left in the background: the front whose HOME is this test's.
background_front() { ours gardlock | head -1 | grep .; }
own_session() { [ "$(ps -o sid= -p "$1" | tr -d ' ')" = "$1" ]; }
# Gone, or a zombie nobody reaps (its caller, its parent, has ended).
ended() { local state; state=$(ps -o stat= -p "$1" 2>/dev/null); [ -z "$state" ] || [[ $state == Z* ]]; }

SAID=$(timeout 10 "$GARDLOCK_BIN" --daemonize /s 2>&1)
STATUS=$?
check "--daemonize with a screen's switch: status 2" test "$STATUS" = 2
check "... saying it is for the lock switches" grep -F -- "--daemonize is for the lock switches only" <<<"$SAID"
daemonized -u DISPLAY -u WAYLAND_DISPLAY
check "--daemonize where nothing can be locked: the refusal's 3" test "$STATUS" = 3

# --- X11 ------------------------------------------------------------------------
start_desktop
daemonized -u WAYLAND_DISPLAY DISPLAY="$DISPLAY"
check "X11: --daemonize /d returns 0" test "$STATUS" = 0
check "X11: the keyboard is held when it has returned" keyboard_grab_held
FRONT=$(background_front)
check "X11: the lock stays up, in a session of its own" eval '[ -n "$FRONT" ] && own_session "$FRONT"'
xdotool type --delay 30 right; xdotool key Return
check "X11: the password ends it" wait_for 20 ended "$FRONT"

# --- Wayland ---------------------------------------------------------------------
start_sway
check "sway's first output is known" note_primary
daemonized -u DISPLAY WAYLAND_DISPLAY="$SWAY_DISPLAY"
check "Wayland: --daemonize /d returns 0" test "$STATUS" = 0
check "Wayland: the desktop is hidden when it has returned" shot_is daemonized-locked locked_shot
FRONT=$(background_front)
check "Wayland: the lock stays up, in a session of its own" eval '[ -n "$FRONT" ] && own_session "$FRONT"'
check "Wayland: the lock is drawn" wait_for 20 shot_is daemonized-drawn lock_drawn
type_text right
press -k Return
check "Wayland: the password ends it" wait_for 20 ended "$FRONT"
check "Wayland: the desktop is back" wait_for 10 shot_is daemonized-after shows_desktop

wayland_cleanup
check "no process and no mount left" nothing_left
finish
