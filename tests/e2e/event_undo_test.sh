#!/bin/bash
# What other clients do to a lock is undone as soon as the X server reports
# it, not at the lock's next timer tick. First with the lock driver running
# the hiding steps and the window layer ONCE and no timer at all: a window
# raised above the lock is pushed under, a dock and icewm's task bar that map
# themselves are hidden again, the focus taken is given back. Then the real
# locks, /d and /n, under the same treatment (their checks follow the same
# events), and again while the screen saver blanks the screen, when the
# locks rest.
# No figure is asserted here beyond generous time-outs; the figures are
# bench/lock_bench.sh's.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"
T="$GARDLOCK_TOOLS"

count_of() { echo "$2" | grep -c "^$1 "; }
focused_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(printf '%d' "$1")" ]; }
undone_everything() { # label
  local out
  out=$("$T/raiser" --override --count 12 --gap 10 70 --timeout 3000)
  echo "$out" | tail -1 | sed "s|^|  $1, raised above: |"
  check "$1: every raise above the lock is undone" test "$(count_of under "$out")" -eq 12
  out=$("$T/fakepanel" dock --remap 6 --gap 10 70 --timeout 3000)
  echo "$out" | tail -1 | sed "s|^|  $1, dock mapping itself: |"
  check "$1: a dock that maps itself is hidden again each time" test "$(count_of rehidden "$out")" -eq 6
  local frame; frame=$(taskbar_frame)
  if [ -n "$frame" ]; then
    xdotool windowmap "$frame"
    check "$1: icewm's task bar mapped by another client is hidden again" \
      wait_for 5 eval '[ "$(map_state "$frame")" != IsViewable ]'
  fi
  local focus; focus=$(xdotool getwindowfocus)
  xdotool windowfocus "$ROOT" 2>/dev/null
  check "$1: the focus taken by another client comes back" wait_for 5 focused_on "$focus"
  check "$1: the keyboard is still held" keyboard_grab_held
}

start_desktop
set_password ""
ROOT=$(xwininfo -root | awk '/Window id:/{print $4}')

# --- No ticks at all: only the events can undo anything ---------------------
start_driver --box
driver show
BOX=$(driver_window box)
wait_for 10 is_viewable "$BOX" >/dev/null
driver hide-once
driver layer-once
check "driver: the task bar is hidden" wait_for 10 taskbar_hidden
check "driver: the box is in front" wait_for 10 on_top "$BOX"
undone_everything "driver, no timers"
driver restore
check "driver: the task bar is back after restoring" wait_for 10 taskbar_shown
stop_driver

for lock in d n; do
  title="Desktop status: Locked"; [ $lock = n ] && title="System Locked"
  start_gardlock /$lock
  LOCK=$(wait_for 20 visible_named "$title")
  check "/$lock: the lock is up" test -n "$LOCK"
  check "/$lock: the lock holds the keyboard" wait_for 20 keyboard_grab_held
  check "/$lock: the task bar is hidden" wait_for 20 taskbar_hidden

  undone_everything "/$lock"
  # Blanked by the screen saver the lock rests, but still undoes it all.
  xset s 3600 0; xset s activate
  check "/$lock: the screen saver is on" test "$("$T/saverstate")" = on
  undone_everything "/$lock, blanked"
  xset s reset; xset s default

  # Unlock with the empty password.
  if [ $lock = n ]; then
    xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
    wait_for 10 visible_named "Start Logon" >/dev/null
    sleep 0.3
  fi
  xdotool key --clearmodifiers Return
  wait_exit 15
  check "/$lock: the empty password unlocks (status 0)" test "$STATUS" = 0
  check "/$lock: the task bar is back" wait_for 10 taskbar_shown
done

finish
