#!/usr/bin/env bash
# Gardlock's Wayland lock (/d) beside swaylock on the test bed's sway
# (headless, pixman, one 1280x720 output), each run on a sway of its own,
# seen from outside through grim: a loop inside the root takes one pixel
# (SAMPLE, away from the lock's panel) as fast as grim goes, and each picture
# counts from when grim returned it.
#   own      ours only, from the front's GARDLOCK_TIMES_LOG: its start to the
#            compositor's "locked" and to the first frame on screen
#   locked   exec -> the first picture without the desktop's colour
#   drawn    exec -> the first picture of the locker's own: ours a green
#            background picture filling the screen, swaylock its own colour
#   idle     over 10 s while locked, nothing polling: CPU (% of a core) and
#            wake-ups a second (context switches of every thread) of the
#            front and the program, of swaylock, and of sway meanwhile
#   killed   the process that draws killed with -9: ours, ms until the
#            picture is back after the front's black (and whether sway's red
#            showed); swaylock, whether sway's red is still up 3 s later.
#            Then ours with the front killed: how long sway's red lasts
#            until the new front locks, and until the picture is back.
#
#   bench/wayland_lock.sh [BUILD_DIR]   (RUNS=10, IDLE_RUNS=3,
#                                       LOCKERS="gardlock swaylock", SAMPLE=100,600)
#
# Runs in a sandbox with the empty password, so Return unlocks ours; swaylock
# is never unlocked: its sway is stopped.
BUILD=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
export GARDLOCK_BIN="$BUILD/src/gardlock" E2E_OUT=/tmp/gardlock-bench
E2E=$(cd "$(dirname "$0")/../tests/e2e" && pwd)
source "$E2E/lib.sh"
source "$E2E/wayland_lib.sh"
source "$E2E/lock_common.sh"
source "$E2E/wayland_lock_common.sh"
RUNS=${RUNS:-10}
IDLE_RUNS=${IDLE_RUNS:-3}
LOCKERS=${LOCKERS:-"gardlock swaylock"}
SAMPLE=${SAMPLE:-100,600}
GREEN="#00A000"
SWAYLOCK_HEX=${SWAYLOCK_HEX:-"#FFFFFF"} # its colour with no options, as grim shows it
TICKS=$(getconf CLK_TCK)
ulimit -c 0

mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys"
convert -size 64x48 "xc:$GREEN" "$E2E_TMP/green.png"
set_setting Background1 "$E2E_TMP/green.png"

median() { sort -n | awk '{v[NR] = $1} END {if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
now_ns() { echo $(( ${EPOCHREALTIME//[!0-9]/} * 1000 )); }

# The pixel poller: "N start end" (ns) per picture in samples/times, the
# picture in samples/N.ppm.
start_poller() {
  local d="$SWAY_RUNDIR/samples"
  rm -rf "$d" "$d.stop"; mkdir -p "$d"
  sway_run sh -c 'd=/run/wl/samples i=0
    while [ ! -e "$d.stop" ]; do
      i=$((i + 1)); s=$(date +%s%N)
      grim -g "$1 1x1" -t ppm "$d/$i.ppm" && echo "$i $s $(date +%s%N)" >>"$d/times"
    done' poll "$SAMPLE" >/dev/null 2>&1 &
  POLLER=$!
}
stop_poller() { touch "$SWAY_RUNDIR/samples.stop"; wait "$POLLER" 2>/dev/null; }
# "end-ns #RRGGBB" of each picture so far, and the colour of the latest.
samples() {
  python3 - "$SWAY_RUNDIR/samples" <<'PY'
import os, sys
d = sys.argv[1]
for line in open(os.path.join(d, "times")):
    i, s, e = line.split()
    with open(os.path.join(d, i + ".ppm"), "rb") as f:
        print(e, "#%02X%02X%02X" % tuple(f.read()[-3:]))
PY
}
latest_is() {
  local i
  i=$(tail -n 1 "$SWAY_RUNDIR/samples/times" 2>/dev/null | awk '{print $1}') && [ -n "$i" ] &&
    [ "$(tail -c 3 "$SWAY_RUNDIR/samples/$i.ppm" | od -An -tu1 | awk '{printf "#%02X%02X%02X", $1, $2, $3}')" = "$1" ]
}
# (The readers of these pipes read to the end: see lib.sh.)
# ms from $1 (ns) to the first picture after it whose colour is (or, with !, is not) $2.
first_after() { # from-ns [!]colour
  local want=$2 neg=0
  [ "${want#!}" != "$want" ] && { neg=1; want=${want#!}; }
  samples | awk -v t="$1" -v c="$want" -v n="$neg" '!f && $1 > t && (($2 == c) != n) {printf "%.1f\n", ($1 - t) / 1e6; f = 1}'
}
poll_period() { awk 'NR > 1 {print ($3 - p) / 1e6} {p = $3}' "$SWAY_RUNDIR/samples/times" | median; }
red_seen_after() { samples | awk -v t="$1" -v c="$DEAD_LOCKER_HEX" '$1 > t && $2 == c {f = 1} END {exit !f}'; }

# CPU (% of a core) and wake-ups a second of processes over SECONDS, all threads.
ticks_of() { local p n=0; for p in "$@"; do n=$((n + $(awk '{print $14 + $15}' "/proc/$p/stat" 2>/dev/null || echo 0))); done; echo "$n"; }
switches_of() {
  local p; for p in "$@"; do cat /proc/"$p"/task/*/status 2>/dev/null; done |
    awk '/^(non)?voluntary_ctxt_switches:/ {n += $2} END {print n + 0}'
}
idle_of() { # seconds pid...
  local s=$1; shift
  local t0 w0 t1 w1
  t0=$(ticks_of "$@"); w0=$(switches_of "$@")
  sleep "$s"
  t1=$(ticks_of "$@"); w1=$(switches_of "$@")
  awk -v t=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$s" -v hz="$TICKS" 'BEGIN {printf "%.2f %.1f\n", 100 * t / hz / s, w / s}'
}

# ms from the front's "started" to STEP in a GARDLOCK_TIMES_LOG file.
step_ms() { awk -v s="$2" '$1 == "started" && !t {t = $2} $1 == s && !e {e = $2} END {if (t && e) printf "%.1f\n", (e - t) / 1e6}' "$1" 2>/dev/null; }

declare -A FIG
add() { FIG[$1]+="$2"$'\n'; }
fig() { printf '%s' "${FIG[$1]:-}" | grep -v '^$' | median; }

run_gardlock() { # run
  start_sway "sway-g$1"
  start_poller
  wait_for 10 test -s "$SWAY_RUNDIR/samples/times" >/dev/null
  : >"$E2E_TMP/gardlock.out"
  local times="$E2E_TMP/times-$1.log"
  rm -f "$times"
  env -u DISPLAY WAYLAND_DISPLAY="$SWAY_DISPLAY" GARDLOCK_TIMES_LOG="$times" sh -c 'date +%s%N >"$0"; exec "$@"' "$E2E_TMP/t0" \
    "$GARDLOCK_BIN" /d >>"$E2E_TMP/gardlock.out" 2>&1 &
  GARDLOCK_PID=$!
  E2E_PIDS+=("$GARDLOCK_PID")
  if ! wait_for 20 latest_is "$GREEN" >/dev/null; then
    echo "  run $1: our lock did not draw its picture; the front said:" >&2
    sed 's/^/    /' "$E2E_TMP/gardlock.out" >&2
    stop_poller; end_our_locks; stop_sway; return 1
  fi
  local t0; t0=$(cat "$E2E_TMP/t0")
  add g-locked "$(first_after "$t0" "!$BACKGROUND_HEX")"
  add g-drawn "$(first_after "$t0" "$GREEN")"
  add period "$(poll_period)"
  # The front's own clock: from its start to the compositor's "locked" and
  # to the program's first frame on screen (its frame callback).
  add g-t-locked "$(step_ms "$times" locked)"
  add g-t-frame "$(step_ms "$times" first-frame-shown)"
  local program; program=$(lock_program)
  if [ "$1" -le "$IDLE_RUNS" ]; then
    stop_poller; sleep 2
    read -r cpu wake < <(idle_of 10 "$GARDLOCK_PID" "$program")
    add g-cpu "$cpu"; add g-wake "$wake"
    read -r cpu wake < <(idle_of 10 "$SWAY_PID")
    add g-sway-cpu "$cpu"; add g-sway-wake "$wake"
    start_poller
    wait_for 10 latest_is "$GREEN" >/dev/null
  fi
  # The program killed: black from the front, then the picture again.
  local k; k=$(now_ns)
  kill -9 "$program"
  if wait_for 20 other_lock_program "$GARDLOCK_PID" "$program" >/dev/null && wait_for 20 latest_is "$GREEN" >/dev/null; then
    local black; black=$(first_after "$k" "!$GREEN")
    if [ -n "$black" ]; then
      add g-back "$(samples | awk -v t="$k" -v b="$black" -v c="$GREEN" '!f && $1 > t + b * 1e6 && $2 == c {printf "%.1f\n", ($1 - t) / 1e6; f = 1}')"
    else
      add g-back-unseen 1
    fi
    red_seen_after "$k" && add g-red-after-program 1
  else
    echo "  run $1: the lock did not come back after its program was killed" >&2
  fi
  # The front killed: sway's red until the new front locks, then the picture.
  local front=$GARDLOCK_PID
  new_front() { ours gardlock | grep -vx "$front" | grep .; }
  k=$(now_ns)
  kill -9 "$front"
  if wait_for 20 new_front >/dev/null && wait_for 20 latest_is "$GREEN" >/dev/null; then
    local red_at off_at
    red_at=$(first_after "$k" "$DEAD_LOCKER_HEX")
    if [ -n "$red_at" ]; then
      off_at=$(samples | awk -v t="$k" -v r="$red_at" -v c="$DEAD_LOCKER_HEX" '!f && $1 > t + r * 1e6 && $2 != c {printf "%.1f\n", ($1 - t) / 1e6; f = 1}')
      add g-red "$(awk -v a="$red_at" -v b="$off_at" 'BEGIN {printf "%.1f\n", b - a}')"
    else
      add g-red-unseen 1
    fi
    # The dead front's last frame may stay a moment: back is after a picture that was not it.
    local left; left=$(first_after "$k" "!$GREEN")
    [ -z "$left" ] || add g-front-back "$(samples | awk -v t="$k" -v b="$left" -v c="$GREEN" '!f && $1 > t + b * 1e6 && $2 == c {printf "%.1f\n", ($1 - t) / 1e6; f = 1}')"
  else
    echo "  run $1: no new front, or its lock not drawn, after the front was killed" >&2
  fi
  stop_poller
  press -k Return
  lock_gone() { [ -z "$(ours gardlock)$(ours gardlock-ui)" ]; }
  wait_for 20 lock_gone >/dev/null || { echo "  run $1: Return did not unlock: ended" >&2; end_our_locks; }
  wait "$GARDLOCK_PID" 2>/dev/null
  stop_sway
}

run_swaylock() { # run
  start_sway "sway-s$1"
  start_poller
  wait_for 10 test -s "$SWAY_RUNDIR/samples/times" >/dev/null
  "$TESTBED" run "$SWAY_RUNDIR" sh -c 'date +%s%N >/run/wl/t0; exec swaylock' >"$E2E_TMP/swaylock.out" 2>&1 &
  local locker=$!
  E2E_PIDS+=("$locker")
  if ! wait_for 20 latest_is "$SWAYLOCK_HEX" >/dev/null; then
    echo "  run $1: swaylock did not draw $SWAYLOCK_HEX" >&2
    stop_poller; kill -9 "$locker"; stop_sway; return 1
  fi
  local t0; t0=$(cat "$SWAY_RUNDIR/t0")
  add s-locked "$(first_after "$t0" "!$BACKGROUND_HEX")"
  add s-drawn "$(first_after "$t0" "$SWAYLOCK_HEX")"
  add period "$(poll_period)"
  [ "$(cat "/proc/$locker/comm")" = swaylock ] || echo "  run $1: $locker is not swaylock" >&2
  if [ "$1" -le "$IDLE_RUNS" ]; then
    stop_poller; sleep 2
    read -r cpu wake < <(idle_of 10 "$locker")
    add s-cpu "$cpu"; add s-wake "$wake"
    read -r cpu wake < <(idle_of 10 "$SWAY_PID")
    add s-sway-cpu "$cpu"; add s-sway-wake "$wake"
    start_poller
  fi
  kill -9 "$locker"
  wait "$locker" 2>/dev/null
  sleep 3
  latest_is "$DEAD_LOCKER_HEX" && add s-red-stays 1
  stop_poller
  stop_sway
}

count() { printf '%s' "${FIG[$1]:-}" | grep -c .; }
for run in $(seq 1 "$RUNS"); do
  for locker in $LOCKERS; do "run_$locker" "$run"; done
  echo "  run $run of $RUNS done" >&2
done

echo
echo "The Wayland lock on the test bed's sway (headless, pixman, one 1280x720 output), $(nproc) cores,"
echo "median of $RUNS (idle: of $IDLE_RUNS runs of 10 s); a picture every $(fig period) ms"
printf '%-52s %14s %14s\n' "" "gardlock /d" "swaylock"
printf '%-52s %14s %14s\n' "front's start -> locked (its own clock), ms" "$(fig g-t-locked)" ""
printf '%-52s %14s %14s\n' "front's start -> first frame on screen (own clock), ms" "$(fig g-t-frame)" ""
printf '%-52s %14s %14s\n' "exec -> no desktop in the picture, ms" "$(fig g-locked)" "$(fig s-locked)"
printf '%-52s %14s %14s\n' "exec -> the locker's own picture, ms" "$(fig g-drawn)" "$(fig s-drawn)"
printf '%-52s %14s %14s\n' "idle CPU, % of a core (ours: front + program)" "$(fig g-cpu)" "$(fig s-cpu)"
printf '%-52s %14s %14s\n' "wake-ups a second" "$(fig g-wake)" "$(fig s-wake)"
printf '%-52s %14s %14s\n' "sway meanwhile: CPU %, wake-ups a second" "$(fig g-sway-cpu), $(fig g-sway-wake)" "$(fig s-sway-cpu), $(fig s-sway-wake)"
printf '%-52s %14s %14s\n' "drawing process killed: picture back after black, ms" "$(fig g-back)" "never"
printf '%-52s %14s %14s\n' "... runs where no black was caught" "$(count g-back-unseen)" ""
printf '%-52s %14s %14s\n' "... runs showing sway's red" "$(count g-red-after-program)" "$(count s-red-stays) red 3 s on"
printf '%-52s %14s %14s\n' "front killed: sway's red lasted, ms" "$(fig g-red)" ""
printf '%-52s %14s %14s\n' "... runs where no red was caught" "$(count g-red-unseen)" ""
printf '%-52s %14s %14s\n' "front killed: kill -> the picture back, ms" "$(fig g-front-back)" ""
