#!/bin/bash
# A Wayland lock whose processes die or hang stays a lock, on the test bed's
# sway. The program (gardlock-ui, the front's child) killed with -9 as soon
# as it runs, and at the NT-style lock's prompt: the front keeps the session
# (no picture of the gap shows the desktop or sway's red), the lock is drawn
# again by a new program and the password still ends it with status 0. The
# front killed with -9: the orphaned program starts a new front that locks
# again, no picture shows the desktop meanwhile, and the password still ends
# the lock; sway's red shows until the new front locks, and whether the
# pictures caught it, and for how long, is printed as a figure (a new front
# may lock within a frame). A program stopped before it shows anything is
# relaunched, without pictures, after the front's load bound, the session
# locked meanwhile. Nothing is left running or mounted.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"
source "$(dirname "$0")/lock_common.sh"
source "$(dirname "$0")/wayland_lock_common.sh"

ulimit -c 0
POLICY="$(dirname "$0")/../../src/front/SupervisorPolicy.h"
SHOW_WITHIN_MS=$(sed -n 's/.*kShowWithinMs = \([0-9]*\);.*/\1/p' "$POLICY")
GREEN="#00A000"

start_sway
check "sway's first output is known" note_primary
check "the front's load bound is read from its source ($SHOW_WITHIN_MS ms)" test -n "$SHOW_WITHIN_MS"
set_password "Right"

front_said() { sed 's/^/  front: /' "$E2E_TMP/gardlock.out"; }
gone() { ! kill -0 "$1" 2>/dev/null || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]; }
# after_kill LABEL KILLED: the gap's pictures hide the desktop and show no red;
# a new program draws the lock again; the front lived on.
after_kill() {
  start_burst "$1-gap" 8
  wait_burst
  check_showing "$1: $(burst_count "$1-gap") pictures right after the kill: no desktop, no red" front_said \
    every_shot "$1-gap" locked_shot
  local relaunched
  relaunched=$(wait_for 20 other_lock_program "$GARDLOCK_PID" "$2")
  check_showing "$1: a new program runs the lock" front_said test -n "$relaunched"
  check_showing "$1: the lock is drawn again" "describe $1-again" wait_for 20 shot_is "$1-again" lock_drawn
  check "$1: the front lived on" gardlock_alive
}
unlocks() { # label switch
  enter_password "$2" Right
  wait_exit 20
  check_showing "$1: the right password still ends the front with status 0 (got $STATUS)" front_said test "$STATUS" = 0
  check "$1: the desktop is back" wait_for 20 shot_is "$1-unlocked" shows_colour "$BACKGROUND_HEX"
  [ "$STATUS" != still-running ] || end_our_locks
}

# --- the program killed as soon as it runs (the Normal lock) ------------------------
: >"$E2E_TMP/gardlock.out"
wayland_lock /d
CHILD=$(wait_for 20 lock_program)
check_showing "at start: the front runs the program" front_said test -n "$CHILD"
[ -z "$CHILD" ] || kill -9 "$CHILD"
after_kill at-start "$CHILD"
BEFORE=$(records)
enter_password /d wrong
check "at start: the relaunched lock logs a wrong password" wait_for 20 records_are $((BEFORE + 1))
unlocks at-start /d

# --- the program killed at the NT-style lock's prompt, a password half typed --------
: >"$E2E_TMP/gardlock.out"
wayland_lock /n
check_showing "at the prompt: the lock is drawn" "describe prompt-drawn" wait_for 20 shot_is prompt-drawn lock_drawn
open_logon_prompt
pause 1
type_text Ri
CHILD=$(lock_program)
[ -z "$CHILD" ] || kill -9 "$CHILD"
after_kill at-prompt "$CHILD"
unlocks at-prompt /n

# --- the front killed: a new front from the orphaned program ---------------------------
: >"$E2E_TMP/gardlock.out"
python3 "$(dirname "$0")/reaper.py" "$E2E_TMP/reaped" \
  env -u DISPLAY WAYLAND_DISPLAY="$SWAY_DISPLAY" "$GARDLOCK_BIN" /d >>"$E2E_TMP/gardlock.out" 2>&1 &
REAPER=$!
E2E_PIDS+=("$REAPER")
FRONT=$(wait_for 20 pgrep -P "$REAPER" -x gardlock)
check_showing "front killed: the lock is drawn first" "describe front-drawn" wait_for 20 shot_is front-drawn lock_drawn
PROGRAM=$(lock_program "$FRONT")
start_burst front-gap 120
pause 0.3
kill -9 "$FRONT"
new_front() { ours gardlock | grep -vx "$FRONT" | grep .; }
# Where no new front comes: what the program is doing.
program_state() {
  front_said
  gone "$PROGRAM" && { echo "  the program $PROGRAM is gone"; return; }
  local t
  for t in /proc/"$PROGRAM"/task/*; do
    echo "  program $PROGRAM thread $(basename "$t") ($(cat "$t/comm")): $(awk '{print $3}' "$t/stat") in $(cat "$t/wchan")"
  done
  ls -l /proc/"$PROGRAM"/fd | awk '/socket/ {print "  program fd " $(NF - 2) " " $NF}'
}
NEW_FRONT=$(wait_for 20 new_front)
check_showing "front killed: the orphaned program starts a new front" program_state test -n "$NEW_FRONT"
check_showing "front killed: the lock is drawn again" "describe front-again" wait_for 20 shot_is front-again lock_drawn
stop_burst front-gap
check "front killed: no picture after the kill showed the desktop" every_shot front-gap hides_desktop
# How long sway's red lasted, from the pictures' times: a figure only.
red_figure() {
  local f t first="" back="" period
  while read -r f t; do
    if red_screen "$f"; then [ -n "$first" ] || first=$t
    elif [ -n "$first" ] && [ -z "$back" ]; then back=$t; fi
  done < <(burst_files front-gap)
  period=$(burst_files front-gap | awk 'NR > 1 {printf "%.0f\n", ($2 - p) / 1e6} {p = $2}' | sort -n |
    awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]}')
  if [ -n "$first" ] && [ -n "$back" ]; then
    echo "figure: sway's red lasted about $(( (back - first) / 1000000 )) ms (a picture every ${period:-?} ms)"
  elif [ -n "$first" ]; then
    echo "figure: sway's red did not end in $(burst_count front-gap) pictures"
  else
    echo "figure: no picture of $(burst_count front-gap) caught sway's red"
  fi
}
red_figure
cp "$E2E_TMP/gardlock.out" "$E2E_OUT/front-killed.out"
echo "  (the program $PROGRAM is $(gone "$PROGRAM" && echo gone || echo still running); the new front is $NEW_FRONT)"
enter_password /d Right
lock_ended() { [ -z "$(ours gardlock)$(ours gardlock-ui)" ]; }
check "front killed: the right password ends the lock" wait_for 20 lock_ended
check "front killed: the desktop is back" wait_for 20 shot_is front-unlocked shows_colour "$BACKGROUND_HEX"
wait_for 20 gone "$REAPER" >/dev/null || end_our_locks
wait "$REAPER" 2>/dev/null
# Every process of the lock the reaper saw end after the killed front, the
# new front among them where its parent did not wait for it, ended with 0.
ENDS=$(awk -v f="$FRONT" '$2 != "started" && $1 != f' "$E2E_TMP/reaped")
check_showing "front killed: what ended after the password ended with status 0" "sed 's/^/  reaped: /' '$E2E_TMP/reaped'" \
  bash -c '[ -n "$1" ] && ! grep -v " exit 0$" <<<"$1" >/dev/null' ends "$ENDS"

# --- the program stopped before it shows: relaunched without pictures ---------------
convert -size 64x48 "xc:$GREEN" "$E2E_TMP/green.png"
set_setting Background1 "$E2E_TMP/green.png"
: >"$E2E_TMP/gardlock.out"
wayland_lock /d
check "with a picture: it fills the first output" wait_for 20 shot_is picture shows_colour "$GREEN" "$PRIMARY"
unlocks picture /d
# A stop sent from outside may come after the program has shown its lock (it
# draws within tens of ms): a copy of the front finds, beside itself, a
# gardlock-ui that stops itself once before it loads the program.
HANG_DIR="$E2E_TMP/hang"
mkdir -p "$HANG_DIR"
cp "$GARDLOCK_BIN" "$HANG_DIR/gardlock"
printf '#!/bin/sh
mkdir "%s/stopped" 2>/dev/null && kill -STOP $$
exec "%s" "$@"
' \
  "$HANG_DIR" "$(dirname "$GARDLOCK_BIN")/gardlock-ui" >"$HANG_DIR/gardlock-ui"
chmod +x "$HANG_DIR/gardlock-ui"
stopped() { [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = T ]; }
: >"$E2E_TMP/gardlock.out"
GARDLOCK_BIN="$HANG_DIR/gardlock" wayland_lock /d
CHILD=$(wait_for 20 lock_program)
check_showing "hung: the front ran the program, stopped as it starts" front_said wait_for 10 stopped "$CHILD"
# Pictures while it hangs, until a new program runs (the bound only ends a wait that failed).
HUNG_SHOTS=0 HUNG_BAD=0
for _ in $(seq 1 $(( SHOW_WITHIN_MS / 1000 + 20 ))); do
  other_lock_program "$GARDLOCK_PID" "$CHILD" >/dev/null && break
  f=$(shot "hung-$HUNG_SHOTS") && { HUNG_SHOTS=$((HUNG_SHOTS + 1)); locked_shot "$f" || HUNG_BAD=$((HUNG_BAD + 1)); }
  pause 0.5
done
check "hung: the session stayed locked ($HUNG_SHOTS pictures, $HUNG_BAD showing desktop or red)" \
  test "$HUNG_SHOTS" -gt 0 -a "$HUNG_BAD" = 0
RELAUNCHED=$(wait_for 20 other_lock_program "$GARDLOCK_PID" "$CHILD")
check_showing "hung: a new program runs the lock after the load bound" front_said test -n "$RELAUNCHED"
check "hung: the stopped program is ended" wait_for 10 gone "$CHILD"
no_picture() { lock_drawn "$1" && [ "$(count_of "$1" "$GREEN")" = 0 ]; }
check_showing "hung: the lock is drawn again, without its picture" "describe hung-again" \
  wait_for 20 shot_is hung-again no_picture
unlocks hung /d
kill -CONT "$CHILD" 2>/dev/null

# --- nothing left -----------------------------------------------------------
check "no process of the lock is left" wait_for 10 lock_ended
wayland_cleanup
check "no process and no mount left" nothing_left
finish
