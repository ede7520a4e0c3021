#!/bin/bash
# The Wayland lock from outside, on the test bed's sway, with no X display:
# for /d and /n, grim shows none of the desktop (sway's colour, a client's
# window, one started under the lock) and never sway's red; the lock is drawn
# on the first output; a wrong password typed through wtype is logged as on
# X11 and the lock stays; the right one ends the front with status 0 and
# gives the desktop back. A second lock asked for while one is up ends with
# 0 at once and leaves the first as it was; with the outputs off the lock
# sleeps and, back on, runs again; an output added under the lock
# is covered too (black, as every output but the first). Nothing is left
# running or mounted.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/lock_common.sh"
source "$(dirname "$0")/wayland_lock_common.sh"

MAGENTA="#FF00FF" # a client's window from before the lock
YELLOW="#FFFF00"  # one started under it

start_sway
check "sway's first output is known" note_primary
set_password "Right"
BEFORE=$(shot 01-desktop)
check "sway shows its desktop ($BACKGROUND_HEX)" test "$(pixel_at "$BEFORE" 20 20)" = "srgb(58,110,165)"
show_client before "$MAGENTA"
check "a client's window shows before the lock" wait_for 20 shot_is 02-client shows_colour "$MAGENTA"

# lock_up LABEL SWITCH: starts the lock and sees it cover the desktop and draw.
lock_up() {
  : >"$E2E_TMP/gardlock.out"
  wayland_lock "$2"
  check_showing "$1: the session is locked: no desktop, no red" \
    "describe $1-locked; sed 's/^/  front: /' '$E2E_TMP/gardlock.out'" wait_for 20 shot_is "$1-locked" locked_shot
  check_showing "$1: the lock is drawn on the first output" "describe $1-drawn" wait_for 20 shot_is "$1-drawn" lock_drawn
  check "$1: the front runs on" gardlock_alive
}
# wrong_password LABEL SWITCH TEXT: logged once more, with the typed text; the lock stays.
wrong_password() {
  local before; before=$(records)
  enter_password "$2" "$3"
  check "$1: a wrong password is logged" wait_for 20 records_are $((before + 1))
  check "$1: ... as on X11, with the typed text and the date" record_of "$3"
  [ "$2" = /n ] && { dismiss_denied; clear_field; }
  check "$1: ... the lock stays" gardlock_alive
  check_showing "$1: ... and hides the desktop" "describe $1-after-wrong" shot_is "$1-after-wrong" lock_drawn
}
# unlock LABEL SWITCH: the right password ends the front with 0, the desktop is back.
unlock() {
  enter_password "$2" "Right"
  wait_exit 20
  check_showing "$1: the right password ends the front with status 0 (got $STATUS)" \
    "sed 's/^/  front: /' '$E2E_TMP/gardlock.out'" test "$STATUS" = 0
  [ "$STATUS" != still-running ] || end_our_locks
  check "$1: the desktop is back" wait_for 20 shot_is "$1-unlocked" shows_colour "$BACKGROUND_HEX"
  check "$1: ... with the client's window" shows_colour "$E2E_OUT/$1-unlocked.png" "$MAGENTA"
}

# --- the Normal lock, with a window opened under it, a second lock and a new output ---
lock_up normal /d
show_client under "$YELLOW"
check "normal: a window opened under the lock is up (in sway's tree)" wait_for 20 client_mapped
check "... its client runs" kill -0 "$CLIENT_PID"
pause 1 # time for the window to be drawn, were it shown
check_showing "... and it does not show" "describe normal-window-under" shot_is normal-window-under lock_drawn
wrong_password normal /d "wrong"

RECORDS=$(records)
timeout 20 env -u DISPLAY WAYLAND_DISPLAY="$SWAY_DISPLAY" "$GARDLOCK_BIN" /d >"$E2E_TMP/second.out" 2>&1
SECOND=$?
check_showing "a second lock while one is up ends with status 0 at once (got $SECOND)" \
  "sed 's/^/  second: /' '$E2E_TMP/second.out'" test "$SECOND" = 0
check "... the first lock runs on" gardlock_alive
check_showing "... still drawn, no desktop" "describe normal-second" shot_is normal-second lock_drawn
check "... nothing was logged" records_are "$RECORDS"

# With sway's outputs off the lock sleeps, front and program; back on, the clock runs again.
wakeups() {
  cat /proc/"$GARDLOCK_PID"/task/*/status /proc/"$(lock_program)"/task/*/status 2>/dev/null |
    awk '/ctxt_switches:/ {n += $2} END {print n + 0}'
}
sway_run swaymsg output '*' power off >/dev/null
pause 15 # the front trusts sway's last answer for a frame 10 s, the program waits 2 s for one
W0=$(wakeups)
pause 10
W1=$(wakeups)
check "the lock sleeps while the outputs are off: $((W1 - W0)) wake-ups in 10 s" test $((W1 - W0)) -le 3
sway_run swaymsg output '*' power on >/dev/null
AWAKE=$(shot normal-awake)
differs() { ! cmp -s "$1" "$AWAKE"; }
check "... back on, the clock moves on without a key" wait_for 5 shot_is normal-awake-later differs
check_showing "... and the lock is drawn" "describe normal-awake-later" lock_drawn "$E2E_OUT/normal-awake-later.png"

sway_run swaymsg create_output >/dev/null
two_outputs() { [ "$(outputs | wc -l)" = 2 ]; }
check "an output is added under the lock" wait_for 20 two_outputs
OUTPUTS=$(outputs)
NEW=$(awk 'NR == 2 {print $2}' <<<"$OUTPUTS")
WIDE=$(awk '{split($2, r, /[x+]/); w += r[1]} END {print w}' <<<"$OUTPUTS")
shot_width() { [ "$(identify -format %w "$1")" = "$WIDE" ]; }
check "grim captures both outputs side by side ($WIDE wide)" wait_for 20 shot_is normal-two-outputs shot_width
new_covered() { hides_desktop "$1" && not_red "$1" "$NEW" && all_black "$1" "$NEW"; }
check_showing "the new output ($NEW) is covered: black, no desktop, no red" "describe normal-new-output" \
  wait_for 20 shot_is normal-new-output new_covered
check "... the first still shows the lock" lock_drawn "$E2E_OUT/normal-new-output.png"

unlock normal /d
check "normal: the window opened under the lock shows now" shows_colour "$E2E_OUT/normal-unlocked.png" "$YELLOW"
check "normal: the new output shows the desktop again" shows_colour "$E2E_OUT/normal-unlocked.png" "$BACKGROUND_HEX" "$NEW"

# --- the NT-style lock: its prompt opens with Ctrl+Shift+Alt and a key ---
lock_up nt /n
wrong_password nt /n "open sesame"
unlock nt /n

# --- nothing left -----------------------------------------------------------
no_lock_left() { [ -z "$(ours gardlock)$(ours gardlock-ui)" ]; }
check "no process of the lock is left" wait_for 10 no_lock_left
wayland_cleanup
check "no process and no mount left" nothing_left
finish
