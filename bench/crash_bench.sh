#!/usr/bin/env bash
# Measures how long a crash of the lock process leaves the keyboard free, on a
# private Xvfb with icewm, for gardlock /d and /n:
#   exposed time   the signal is sent to the process that shows the lock ->
#                  another client's keyboard grab fails again (median of 10,
#                  and the largest; 0 when the grab was never seen free,
#                  polling every 1 ms). It includes the dying process's own
#                  exit, during which it still holds the grab, so also:
#   free           the first successful grab by that client -> its grab fails
#                  again (how long the keyboard really was free, to 1 ms)
#   hand-over gap  the supervisor lets go of its grab -> the relaunched lock
#                  holds it (median of the same runs, as the supervisor reports it)
#   back           the signal -> the relaunched lock's window is shown again
#
#   bench/crash_bench.sh [BUILD_DIR]    (RUNS=10, SIGNALS="KILL SEGV")
#
# Runs in a sandbox with the empty password, so Enter unlocks.

BUILD=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$(dirname "$0")/../tests/e2e/lib.sh"
T="$GARDLOCK_TOOLS"
for tool in crashprobe grabprobe; do
  [ -x "$T/$tool" ] || { echo "missing $T/$tool: cmake --build build --target bench"; exit 1; }
done
RUNS=${RUNS:-10}
SIGNALS=${SIGNALS:-"KILL SEGV"}
ulimit -c 0

start_desktop
mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys"

largest() { sort -n | tail -1; }
median() { sort -n | awk '{v[NR]=$1} END{if (NR==0) print "n/a"; else if (NR%2) print v[(NR+1)/2]; else printf "%.2f\n", (v[NR/2]+v[NR/2+1])/2}'; }
now_ns() { date +%s%N; }
grab_held() { [ "$("$T/grabprobe" once)" = AlreadyGrabbed ]; }
grab_free() { [ "$("$T/grabprobe" once)" = Success ]; }
title_of() { [ "$1" = d ] && echo "Desktop status: Locked" || echo "Background"; }
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
# A shown window with this title that belongs to this process (a new lock's
# windows may get the ids of the dead one's).
window_of() { local w; w=$(visible "$1") && [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$2" ]; }
child_of() { pgrep -P "$1" | head -1 | grep .; }
other_child() { local c; c=$(child_of "$1") && [ "$c" != "$2" ] && echo "$c"; }
unlock() { # switch
  if [ "$1" = n ]; then
    xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
    wait_for 5 visible "Start Logon" >/dev/null
  fi
  xdotool key --clearmodifiers Return
}

declare -A EXPOSED FREE GAP BACK
for sig in $SIGNALS; do
  number=$(kill -l "$sig")
  for sw in d n; do
    exposed=() free=() back=()
    log="$E2E_TMP/lock-$sw-$sig.log"
    for run in $(seq 1 "$RUNS"); do
      "$GARDLOCK_BIN" "/$sw" >>"$log" 2>&1 &
      pid=$!
      E2E_PIDS+=($pid)
      wait_for 20 visible "$(title_of $sw)" >/dev/null
      wait_for 20 grab_held >/dev/null
      child=$(wait_for 5 child_of "$pid")
      sleep 0.3 # let the lock settle
      t0=$(now_ns)
      probe=$("$T/crashprobe" "$child" "$number" 3000)
      exposed+=("$(awk '{print $2}' <<<"$probe")")
      free+=("$(awk '{print $4}' <<<"$probe")")
      relaunched=$(wait_for 20 other_child "$pid" "$child")
      wait_for 20 window_of "$(title_of $sw)" "$relaunched" >/dev/null
      back+=("$(( ($(now_ns) - t0) / 1000000 ))")
      sleep 0.3
      unlock "$sw"
      for i in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
      if kill -0 "$pid" 2>/dev/null; then # did not unlock: end the lock, then its supervisor
        echo "  (/$sw did not unlock: killed)" >&2
        kids=$(pgrep -P "$pid"); kill -9 "$pid" $kids 2>/dev/null
      fi
      wait "$pid" 2>/dev/null
      wait_for 10 grab_free >/dev/null
    done
    echo "  /$sw SIG$sig exposed (ms): ${exposed[*]}" >&2
    echo "  /$sw SIG$sig free (ms):    ${free[*]}" >&2
    echo "  /$sw SIG$sig back (ms):    ${back[*]}" >&2
    EXPOSED[$sw$sig]="$(printf '%s\n' "${exposed[@]}" | grep -v timeout | median) ($(printf '%s\n' "${exposed[@]}" | largest))"
    FREE[$sw$sig]="$(printf '%s\n' "${free[@]}" | grep -v '^$' | median) ($(printf '%s\n' "${free[@]}" | largest))"
    BACK[$sw$sig]=$(printf '%s\n' "${back[@]}" | median)
    GAP[$sw$sig]=$(sed -n 's/.*free for \([0-9.]*\) ms while it was handed over.*/\1/p' "$log" | median)
  done
done

echo
echo "A crashed lock, on one Xvfb (1024x768) with icewm, $(nproc) cores, median of $RUNS"
printf '%-44s %14s %14s\n' "" "gardlock /d" "gardlock /n"
for sig in $SIGNALS; do
  printf '%-44s %14s %14s\n' "SIG$sig: exposed, ms (largest)" "${EXPOSED[d$sig]}" "${EXPOSED[n$sig]}"
  printf '%-44s %14s %14s\n' "SIG$sig: free, ms (largest)" "${FREE[d$sig]}" "${FREE[n$sig]}"
  printf '%-44s %14s %14s\n' "SIG$sig: hand-over gap to the new lock, ms" "${GAP[d$sig]}" "${GAP[n$sig]}"
  printf '%-44s %14s %14s\n' "SIG$sig: kill -> lock window back, ms" "${BACK[d$sig]}" "${BACK[n$sig]}"
done
