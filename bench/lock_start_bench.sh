#!/usr/bin/env bash
# Time to lock, measured without competing for the grab: tests/tools/grabwatch
# starts the locker and reads, through the X RECORD extension, the server's
# Success reply to the first GrabKeyboard; the figure is from just before the
# fork to that reply. Median of 10 (RUNS) for gardlock /d and /n, and for
# i3lock and slock where they are installed (they are not installed for
# this). Also the hand-over gap: from the front letting go of its grab to the
# lock holding it (as the lock reports it), median and worst.
#
#   bench/lock_start_bench.sh [BUILD_DIR]   (default: build beside this folder)
#
# Prints "time-to-lock NAME MEDIAN_MS" and "handover NAME MEDIAN_MS WORST_MS"
# lines (for bench/lock_bench.sh to gather) and a table.

BUILD=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$(dirname "$0")/../tests/e2e/lib.sh"
T="$GARDLOCK_TOOLS"
for tool in grabwatch grabprobe; do
  [ -x "$T/$tool" ] || { echo "missing $T/$tool: cmake --build build --target bench"; exit 1; }
done
RUNS=${RUNS:-10}

start_desktop
median() { sort -n | awk '{v[NR]=$1} END{if (NR==0) print "n/a"; else if (NR%2) print v[(NR+1)/2]; else printf "%.3f\n", (v[NR/2]+v[NR/2+1])/2}'; }
worst() { sort -n | tail -1; }
grab_free() { [ "$("$T/grabprobe" once)" = Success ]; }
mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys" # the empty password: Enter unlocks
export GARDLOCK_HANDOVER_LOG="$E2E_TMP/handover.ns"

end_lock() { # name pid
  case $1 in
    d) wait_for 10 bash -c "xdotool search --onlyvisible --name '^Desktop status: Locked\$'" >/dev/null
       sleep 0.3; xdotool key --clearmodifiers Return ;;
    n) wait_for 10 bash -c "xdotool search --onlyvisible --name '^System Locked\$'" >/dev/null
       sleep 0.3
       xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
       wait_for 10 bash -c "xdotool search --onlyvisible --name '^Start Logon\$'" >/dev/null
       sleep 0.3; xdotool key --clearmodifiers Return ;;
    *) kill "$2" 2>/dev/null ;;
  esac
  for _ in $(seq 1 100); do kill -0 "$2" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$2" 2>/dev/null
  wait_for 10 grab_free >/dev/null
}

declare -A MEDIAN HANDOVER_MEDIAN HANDOVER_WORST
measure() { # name command...
  local name=$1 i out ms pid times=(); shift
  : >"$GARDLOCK_HANDOVER_LOG"
  for i in $(seq 1 "$RUNS"); do
    # To a file: the locker stays running with grabwatch's output.
    "$T/grabwatch" --timeout 15000 "$@" >"$E2E_TMP/grabwatch.out" 2>>"$E2E_TMP/lock.log"
    out=$(cat "$E2E_TMP/grabwatch.out")
    ms=$(awk '$1 == "held" {print $2}' <<<"$out")
    pid=$(awk '$1 == "pid" {print $2}' <<<"$out")
    times+=("${ms:-timeout}")
    [ -n "$pid" ] && end_lock "$name" "$pid"
  done
  echo "  $name runs (ms): ${times[*]}" >&2
  MEDIAN[$name]=$(printf '%s\n' "${times[@]}" | grep -v timeout | median)
  echo "time-to-lock $name ${MEDIAN[$name]}"
  if [ -s "$GARDLOCK_HANDOVER_LOG" ]; then
    HANDOVER_MEDIAN[$name]=$(awk '{printf "%.3f\n", $1 / 1e6}' "$GARDLOCK_HANDOVER_LOG" | median)
    HANDOVER_WORST[$name]=$(awk '{printf "%.3f\n", $1 / 1e6}' "$GARDLOCK_HANDOVER_LOG" | worst)
    echo "handover $name ${HANDOVER_MEDIAN[$name]} ${HANDOVER_WORST[$name]}"
  fi
}

measure d "$GARDLOCK_BIN" /d
measure n "$GARDLOCK_BIN" /n
command -v i3lock >/dev/null && measure i3lock i3lock -n -c 000000
command -v slock >/dev/null && measure slock slock

echo
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %14s %22s\n' locker "time to lock" "hand-over gap med/worst"
for name in d n i3lock slock; do
  [ -n "${MEDIAN[$name]:-}" ] || continue
  printf '%-8s %11s ms %22s\n' "$name" "${MEDIAN[$name]}" \
    "${HANDOVER_MEDIAN[$name]:+${HANDOVER_MEDIAN[$name]} / ${HANDOVER_WORST[$name]} ms}"
done
