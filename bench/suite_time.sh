#!/usr/bin/env bash
# Times what a newcomer waits for, each from a fresh clone of the current
# tree (committed state) in a temporary folder, packages already installed:
#   - the README's test command (scripts/test.sh), whole;
#   - scripts/run.sh until the main screen is on the display.
# Prints both in seconds. Usage: bench/suite_time.sh [runs]   (default 1)
# Takes the machine for the whole time: run it alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-1}
work=$(mktemp -d /tmp/gardlock-suite-time.XXXXXX)
own=()
cleanup() {
  local pid
  for pid in "${own[@]}"; do kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }
since() { echo "$(now) - $1" | bc; }

# A private display to show the main screen on, with a window manager.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
own+=($!)
for _ in $(seq 1 200); do [ -s "$work/display" ] && break; sleep 0.05; done
display=":$(cat "$work/display")"
DISPLAY=$display icewm >/dev/null 2>&1 &
own+=($!)

for run in $(seq 1 "$runs"); do
  # The test command, whole, from a clone of its own.
  git clone -q "$root" "$work/tests-$run"
  start=$(now)
  status=0
  (cd "$work/tests-$run" && env -u DISPLAY scripts/test.sh >"$work/test-$run.log" 2>&1) || status=$?
  test_seconds=$(since "$start")
  [ $status = 0 ] || { echo "run $run: scripts/test.sh failed (status $status):"; tail -30 "$work/test-$run.log"; }
  rm -rf "$work/tests-$run"
  sync # the removal's writes are not the next measure's

  # scripts/run.sh from another clone, until the main screen is mapped.
  git clone -q "$root" "$work/run-$run"
  start=$(now)
  (cd "$work/run-$run" && DISPLAY=$display HOME="$work/home-$run" XDG_CONFIG_HOME="$work/home-$run/.config" \
     XDG_DATA_HOME="$work/home-$run/.local/share" exec setsid scripts/run.sh >"$work/run-$run.log" 2>&1) &
  runner=$!
  shown=""
  for _ in $(seq 1 6000); do # at most ten minutes
    if DISPLAY=$display xdotool search --onlyvisible --name '^Gardlock 2001' >/dev/null 2>&1; then
      shown=$(since "$start")
      break
    fi
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
  done
  # run.sh and what it started: one session and group, led by $runner (the
  # subshell became setsid, then run.sh).
  kill -KILL -- "-$runner" 2>/dev/null || true
  wait "$runner" 2>/dev/null || true
  [ -n "$shown" ] || { echo "run $run: no main screen from scripts/run.sh:"; tail -20 "$work/run-$run.log"; shown=failed; }
  rm -rf "$work/run-$run" "$work/home-$run"

  printf 'run %s: scripts/test.sh %.0f s (status %s); scripts/run.sh to the main screen %s s\n' \
    "$run" "$test_seconds" "$status" "$shown"
done
