#!/usr/bin/env bash
# Measures the two gardlock locks beside i3lock on one private Xvfb with icewm:
#   time to lock   exec -> the first moment another client's keyboard grab
#                  fails (median of 10)
#   idle CPU       user+system over 20 s while locked, % of one core, for the
#                  lock process, Xvfb and icewm (and Xvfb/icewm with no lock)
#   memory         resident set of the lock process while locked
#   re-assert      an override-redirect window raises itself above the lock ->
#                  the lock is on top again (median of 20)
#   crash          bench/crash_bench.sh: the lock process killed -> the
#                  keyboard held again (median of 10)
#
#   bench/lock_bench.sh [BUILD_DIR]     (default: build beside this folder, as scripts/build.sh makes it)
#
# Runs in a sandbox (HOME and XDG folders in a temporary folder) with the
# empty password, so Enter at the Normal lock's empty box unlocks it.

BUILD=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$(dirname "$0")/../tests/e2e/lib.sh"
T="$GARDLOCK_TOOLS"
for tool in grabprobe raiser stacktop; do
  [ -x "$T/$tool" ] || { echo "missing $T/$tool: build the tests first"; exit 1; }
done
command -v i3lock >/dev/null || { echo "i3lock is not installed"; exit 1; }

RUNS_LOCK=${RUNS_LOCK:-10}
RUNS_RAISE=${RUNS_RAISE:-20}
IDLE_SECONDS=${IDLE_SECONDS:-20}

start_desktop
XVFB_PID=${E2E_PIDS[0]}
ICEWM_PID=${E2E_PIDS[1]}

now_ns() { date +%s%N; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
median() { sort -n | awk '{v[NR]=$1} END{if (NR==0) print "n/a"; else if (NR%2) print v[(NR+1)/2]; else printf "%.1f\n", (v[NR/2]+v[NR/2+1])/2}'; }
write_empty_password() { mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys"; }
grab_free() { [ "$("$T/grabprobe" once)" = Success ]; }
grab_held() { [ "$("$T/grabprobe" once)" = AlreadyGrabbed ]; }

LOCK_PID=""
# start_lock NAME: starts it in the background; sets LOCK_PID.
start_lock() {
  write_empty_password
  case $1 in
    d) "$GARDLOCK_BIN" /d >>"$E2E_TMP/lock.log" 2>&1 & ;;
    n) "$GARDLOCK_BIN" /n >>"$E2E_TMP/lock.log" 2>&1 & ;;
    i3lock) i3lock -n -c 000000 >>"$E2E_TMP/lock.log" 2>&1 & ;;
  esac
  LOCK_PID=$!
  E2E_PIDS+=($LOCK_PID)
}
lock_gone() { ! kill -0 "$LOCK_PID" 2>/dev/null; }
# end_lock NAME: unlocks the way its user would (gardlock) or kills it.
end_lock() {
  case $1 in
    d) xdotool key --clearmodifiers Return ;;
    n) # Ctrl+Shift+Alt opens the prompt; Enter in its empty box unlocks.
       xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
       wait_for 5 visible_window "Start Logon" >/dev/null && wait_for 5 start_logon_focused >/dev/null
       xdotool key --clearmodifiers Return ;;
  esac
  wait_for 5 lock_gone >/dev/null || { kill -9 "$LOCK_PID" 2>/dev/null; [ "$1" = i3lock ] || echo "  ($1 did not unlock: killed)" >&2; }
  wait "$LOCK_PID" 2>/dev/null
  wait_for 10 grab_free >/dev/null
}
start_logon_focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(visible_window "Start Logon")" ]; }
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }

declare -A LOCK_MS CPU_LOCK CPU_X CPU_WM RSS REASSERT REASSERT_STAYED CPU_SUP RSS_SUP

measure_time_to_lock() {
  local name=$1 i t times=()
  for i in $(seq 1 "$RUNS_LOCK"); do
    local t0; t0=$(now_ns)
    start_lock "$name"
    t=$("$T/grabprobe" until-fail "$t0" 15000 | awk '{print $1}')
    times+=("$t")
    end_lock "$name"
  done
  LOCK_MS[$name]=$(printf '%s\n' "${times[@]}" | grep -v timeout | median)
  echo "  $name: time to lock runs (ms): ${times[*]}" >&2
}

measure_locked() {
  local name=$1
  start_lock "$name"
  wait_for 15 grab_held >/dev/null || { echo "  $name never locked" >&2; end_lock "$name"; return; }
  sleep 2 # let start-up work settle before the idle sample
  # gardlock shows its lock in a child of the process started (its supervisor).
  local proc; proc=$(pgrep -P "$LOCK_PID" | head -1); [ -n "$proc" ] || proc=$LOCK_PID
  local l0 x0 w0 s0 l1 x1 w1 s1 hz
  hz=$(getconf CLK_TCK)
  l0=$(cpu_ticks "$proc") x0=$(cpu_ticks "$XVFB_PID") w0=$(cpu_ticks "$ICEWM_PID") s0=$(cpu_ticks "$LOCK_PID")
  sleep "$IDLE_SECONDS"
  l1=$(cpu_ticks "$proc") x1=$(cpu_ticks "$XVFB_PID") w1=$(cpu_ticks "$ICEWM_PID") s1=$(cpu_ticks "$LOCK_PID")
  pct() { awk -v d=$(( $2 - $1 )) -v hz="$hz" -v s="$IDLE_SECONDS" 'BEGIN{printf "%.2f", 100 * d / hz / s}'; }
  CPU_LOCK[$name]=$(pct "$l0" "$l1") CPU_X[$name]=$(pct "$x0" "$x1") CPU_WM[$name]=$(pct "$w0" "$w1")
  RSS[$name]=$(awk '/VmRSS/{printf "%.1f", $2/1024}' "/proc/$proc/status")
  if [ "$proc" != "$LOCK_PID" ]; then
    CPU_SUP[$name]=$(pct "$s0" "$s1")
    RSS_SUP[$name]=$(awk '/VmRSS/{printf "%.1f", $2/1024}' "/proc/$LOCK_PID/status")
  fi
  local out
  out=$("$T/raiser" --override --count "$RUNS_RAISE" --interval 50 --timeout 1000)
  REASSERT[$name]=$(echo "$out" | awk '/^under/{print $2}' | median)
  REASSERT_STAYED[$name]=$(echo "$out" | grep -c '^stayed')
  end_lock "$name"
}

echo "Idle desktop (no lock), $IDLE_SECONDS s ..." >&2
HZ=$(getconf CLK_TCK)
x0=$(cpu_ticks "$XVFB_PID") w0=$(cpu_ticks "$ICEWM_PID"); sleep "$IDLE_SECONDS"
x1=$(cpu_ticks "$XVFB_PID") w1=$(cpu_ticks "$ICEWM_PID")
BASE_X=$(awk -v d=$((x1 - x0)) -v hz="$HZ" -v s="$IDLE_SECONDS" 'BEGIN{printf "%.2f", 100*d/hz/s}')
BASE_WM=$(awk -v d=$((w1 - w0)) -v hz="$HZ" -v s="$IDLE_SECONDS" 'BEGIN{printf "%.2f", 100*d/hz/s}')

for name in d n i3lock; do
  echo "Measuring $name ..." >&2
  measure_time_to_lock "$name"
  measure_locked "$name"
done

reassert() {
  if [ "${REASSERT_STAYED[$1]:-0}" -eq "$RUNS_RAISE" ]; then echo "never"
  elif [ "${REASSERT_STAYED[$1]:-0}" -gt 0 ]; then echo "${REASSERT[$1]} (stayed ${REASSERT_STAYED[$1]}/$RUNS_RAISE)"
  else echo "${REASSERT[$1]}"; fi
}
echo
echo "Figures on one Xvfb (1024x768) with icewm $(icewm --version 2>/dev/null | awk "NR==1{print \$2}" | tr -d ,), $(nproc) cores"
printf '%-34s %16s %16s %16s\n' "" "gardlock /d" "gardlock /n" "i3lock -n"
printf '%-34s %16s %16s %16s\n' "time to lock, ms (median of $RUNS_LOCK)" "${LOCK_MS[d]}" "${LOCK_MS[n]}" "${LOCK_MS[i3lock]}"
printf '%-34s %16s %16s %16s\n' "idle CPU of the lock, % core" "${CPU_LOCK[d]}" "${CPU_LOCK[n]}" "${CPU_LOCK[i3lock]}"
printf '%-34s %16s %16s %16s\n' "idle CPU of Xvfb, % (${BASE_X} unlocked)" "${CPU_X[d]}" "${CPU_X[n]}" "${CPU_X[i3lock]}"
printf '%-34s %16s %16s %16s\n' "idle CPU of icewm, % (${BASE_WM} unl.)" "${CPU_WM[d]}" "${CPU_WM[n]}" "${CPU_WM[i3lock]}"
FLOOR=$("$BUILD/bench/timer_floor" 5 2>/dev/null || echo "?")
printf '%-34s %16s\n' "a bare 1 ms wake-up loop, % core" "$FLOOR"
printf '%-34s %16s %16s %16s\n' "resident memory, MiB" "${RSS[d]}" "${RSS[n]}" "${RSS[i3lock]}"
printf '%-34s %16s %16s %16s\n' "supervisor: idle CPU, % core" "${CPU_SUP[d]:-}" "${CPU_SUP[n]:-}" "-"
printf '%-34s %16s %16s %16s\n' "supervisor: resident memory, MiB" "${RSS_SUP[d]:-}" "${RSS_SUP[n]:-}" "-"
printf '%-34s %16s %16s %16s\n' "re-assert, ms (median of $RUNS_RAISE)" "$(reassert d)" "$(reassert n)" "$(reassert i3lock)"

# A crashed lock: how long the keyboard is free (its own desktop).
echo
"$(dirname "$0")/crash_bench.sh" "$BUILD"
