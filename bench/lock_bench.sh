#!/usr/bin/env bash
# Measures the two gardlock locks beside the other screen lockers installed
# here (i3lock, slock; neither is installed by this script) on one private
# Xvfb with icewm, in one run:
#   idle CPU     CPU time over IDLE_SECONDS (20 s) while locked, % of one
#                core, from /proc/<pid>/task/*/schedstat (nanoseconds, all
#                threads), for the lock process, its supervisor, Xvfb and icewm
#   wake-ups/s   voluntary + involuntary context switches of all threads
#                over the same time (each is one wake-up)
#   memory       private dirty (smaps_rollup) and resident memory while locked
#   re-assert    an override-redirect window raises itself above the lock at
#                random gaps (20..120 ms) -> the lock is on top again
#                (median, p90 and worst of RUNS_RAISE)
#   panel        a dock window maps itself again at random gaps -> it is
#                unmapped again (median, p90, worst of RUNS_PANEL)
#   tray         the program left in the tray (/i): idle CPU and wake-ups
#   time to lock bench/lock_start_bench.sh, when it exists
#   crash        bench/crash_bench.sh: a killed lock -> the keyboard held again
#   early death  gardlock /d's lock process killed (SIGKILL) the moment it
#                exists, before its first report -> another client's keyboard
#                grab fails again (crashprobe: "exposed", and "free", how long
#                it really was free; 0 when never seen free, polling every
#                1 ms), median and largest of RUNS_START (10); the probe
#                keeps polling 300 ms, so a relaunched lock that is back by
#                then shows up with its own hand-over gap (~1 ms free)
#   hostile background  gardlock /d started -> the Normal lock's window (its
#                password box) shown, with a crafted metafile as Background1
#                (130000 object records, every other one deleted), median
#                and largest of RUNS_START; a lock that does not show within
#                5 s is started again without pictures (counted)
#
#   bench/lock_bench.sh [BUILD_DIR]     (default: build beside this folder)
#   IDLE_SECONDS=20 RUNS_RAISE=40 RUNS_PANEL=20 SKIP_CRASH=1 bench/lock_bench.sh
#   START_FAULTS_ONLY=1 RUNS_START=10 bench/lock_bench.sh   (the last two only)
#
# Runs in a sandbox (HOME and XDG folders in a temporary folder) with the
# empty password, so Enter at the Normal lock's empty box unlocks it.

HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-$HERE/../build}
BUILD=$(cd "$BUILD" && pwd)
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$HERE/../tests/e2e/lib.sh"
T="$GARDLOCK_TOOLS"
for tool in grabprobe raiser fakepanel crashprobe mapwatch; do
  [ -x "$T/$tool" ] || { echo "missing $T/$tool: cmake --build build --target bench"; exit 1; }
done

IDLE_SECONDS=${IDLE_SECONDS:-20}
RUNS_RAISE=${RUNS_RAISE:-40}
RUNS_PANEL=${RUNS_PANEL:-20}
RUNS_START=${RUNS_START:-10}

LOCKERS=(d n)
command -v i3lock >/dev/null && LOCKERS+=(i3lock)
SLOCK=""
if command -v slock >/dev/null; then
  # A copy without file capabilities (the sandbox may refuse them).
  SLOCK="$E2E_TMP/slock"; cp "$(command -v slock)" "$SLOCK" && chmod 755 "$SLOCK" && LOCKERS+=(slock)
fi

start_desktop
XVFB_PID=${E2E_PIDS[0]}
ICEWM_PID=${E2E_PIDS[1]}

# --- sampling ------------------------------------------------------------------
# CPU nanoseconds and context switches of a process, all threads summed.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END{printf "%d\n", s}'; }
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(voluntary|nonvoluntary)_ctxt_switches/{s += $2} END{printf "%d\n", s}'
}
private_dirty() { awk '/^Private_Dirty/{printf "%.2f", $2/1024}' "/proc/$1/smaps_rollup" 2>/dev/null; }
resident() { awk '/^VmRSS/{printf "%.2f", $2/1024}' "/proc/$1/status" 2>/dev/null; }

# sample NAME PID...: over IDLE_SECONDS, sets CPU[NAME:i] and WAKE[NAME:i] for the i-th pid.
declare -A CPU WAKE
sample() {
  local name=$1; shift
  local pids=("$@") c0=() s0=() i t0 t1
  t0=$(date +%s%N)
  for i in "${!pids[@]}"; do c0[$i]=$(cpu_ns "${pids[$i]}"); s0[$i]=$(switches "${pids[$i]}"); done
  sleep "$IDLE_SECONDS"
  t1=$(date +%s%N)
  for i in "${!pids[@]}"; do
    local c1 s1; c1=$(cpu_ns "${pids[$i]}"); s1=$(switches "${pids[$i]}")
    CPU[$name:$i]=$(awk -v d=$((c1 - c0[i])) -v t=$((t1 - t0)) 'BEGIN{printf "%.3f", 100 * d / t}')
    WAKE[$name:$i]=$(awk -v d=$((s1 - s0[i])) -v t=$((t1 - t0)) 'BEGIN{printf "%.1f", d / (t / 1e9)}')
  done
}

write_empty_password() { mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys"; }
grab_free() { [ "$("$T/grabprobe" once)" = Success ]; }
grab_held() { [ "$("$T/grabprobe" once)" = AlreadyGrabbed ]; }
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }

LOCK_PID=""
start_lock() {
  write_empty_password
  case $1 in
    d | n) "$GARDLOCK_BIN" "/$1" >>"$E2E_TMP/lock.log" 2>&1 & ;;
    i3lock) i3lock -n -c 000000 >>"$E2E_TMP/lock.log" 2>&1 & ;;
    slock) "$SLOCK" >>"$E2E_TMP/lock.log" 2>&1 & ;;
  esac
  LOCK_PID=$!
  E2E_PIDS+=($LOCK_PID)
}
lock_gone() { ! kill -0 "$LOCK_PID" 2>/dev/null; }
end_lock() {
  case $1 in
    d) xdotool key --clearmodifiers Return ;;
    n) xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
       wait_for 5 visible_window "Start Logon" >/dev/null; sleep 0.3
       xdotool key --clearmodifiers Return ;;
  esac
  wait_for 5 lock_gone >/dev/null || kill -9 "$LOCK_PID" 2>/dev/null
  wait "$LOCK_PID" 2>/dev/null
  wait_for 10 grab_free >/dev/null
}

# Percentiles of "KEY value" lines: "median p90 worst (stayed K)".
summary() {
  local key=$1 out=$2 total=$3
  echo "$out" | awk -v k="$key" '$1 == k {print $2}' | sort -n | awk -v n="$total" '
    {v[NR] = $1}
    END {
      if (!NR) { print "never"; exit }
      s = sprintf("%.2f / %.2f / %.2f", v[int((NR + 1) / 2)], v[int(0.9 * (NR - 1) + 1.5)], v[NR])
      if (NR < n) s = s sprintf(" (%d/%d)", NR, n)
      print s
    }'
}

declare -A PDIRTY RSS REASSERT PANEL SUP_PDIRTY
measure_locked() {
  local name=$1
  start_lock "$name"
  wait_for 15 grab_held >/dev/null || { echo "  $name never locked" >&2; end_lock "$name"; return; }
  sleep 3 # start-up work settles
  # gardlock shows its lock in a child of the process started (its supervisor).
  local proc sup=""
  proc=$LOCK_PID
  case $name in d | n) proc=$(pgrep -P "$LOCK_PID" | head -1) sup=$LOCK_PID ;; esac
  sample "$name" "$proc" "$XVFB_PID" "$ICEWM_PID" ${sup:+"$sup"}
  PDIRTY[$name]=$(private_dirty "$proc") RSS[$name]=$(resident "$proc")
  [ -n "$sup" ] && SUP_PDIRTY[$name]=$(private_dirty "$sup")
  local out
  out=$("$T/raiser" --override --count "$RUNS_RAISE" --gap 20 120 --timeout 1000)
  REASSERT[$name]=$(summary under "$out" "$RUNS_RAISE")
  out=$("$T/fakepanel" dock --remap "$RUNS_PANEL" --gap 20 120 --timeout 500)
  PANEL[$name]=$(summary rehidden "$out" "$RUNS_PANEL")
  end_lock "$name"
}

# --- faults at the start --------------------------------------------------------
median_largest() { sort -n | awk '{v[NR]=$1} END{if (!NR) {print "n/a"; exit}
  m = NR % 2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2; printf "%.2f (%.2f)\n", m, v[NR]}'; }
# The lock process the moment it exists, polled without pauses.
first_child() { # parent seconds
  local deadline=$(( $(date +%s) + $2 )) p
  while [ "$(date +%s)" -le "$deadline" ]; do
    p=$(pgrep -P "$1" | head -1) && [[ "$p" =~ ^[1-9][0-9]*$ ]] && { echo "$p"; return 0; }
  done
  return 1
}
unlock_shown_d() {
  wait_for 20 visible_window "Desktop status: Locked" >/dev/null
  wait_for 10 grab_held >/dev/null
  sleep 0.3
  end_lock d
}

EARLY_EXPOSED="" EARLY_FREE="" HOSTILE_SHOWN="" HOSTILE_AGAIN=0
start_faults() {
  local run child probe exposed=() free=() shown=() log
  echo "Early death, $RUNS_START runs ..." >&2
  for run in $(seq 1 "$RUNS_START"); do
    start_lock d
    child=$(first_child "$LOCK_PID" 10) || { echo "  no lock process" >&2; end_lock d; continue; }
    probe=$("$T/crashprobe" "$child" 9 3000)
    exposed+=("$(awk '$1 == "exposed" {print $2}' <<<"$probe")")
    free+=("$(awk '$1 == "exposed" {print $4}' <<<"$probe")")
    unlock_shown_d
  done
  echo "  exposed (ms): ${exposed[*]}" >&2
  echo "  free (ms):    ${free[*]}" >&2
  EARLY_EXPOSED=$(printf '%s\n' "${exposed[@]}" | grep . | median_largest)
  EARLY_FREE=$(printf '%s\n' "${free[@]}" | grep . | median_largest)

  echo "Hostile background, $RUNS_START runs ..." >&2
  local picture="$E2E_TMP/hostile.wmf"
  python3 "$HERE/../tests/tools/make_hostile_wmf.py" "$picture" --objects 130000 --delete-every 2 >/dev/null
  printf '[Options]\nBackground1=%s\n' "$picture" >"$XDG_CONFIG_HOME/DW2001.conf"
  write_empty_password
  for run in $(seq 1 "$RUNS_START"); do
    log="$E2E_TMP/hostile-$run.out"
    # The lock keeps this file as its output: $(...) would wait for it.
    "$T/mapwatch" --timeout 30000 "Desktop status: Locked" "$GARDLOCK_BIN" /d >"$log" 2>&1
    LOCK_PID=$(awk '$1 == "pid" {print $2}' "$log")
    [[ "$LOCK_PID" =~ ^[1-9][0-9]*$ ]] || { echo "  not started" >&2; continue; }
    E2E_PIDS+=($LOCK_PID)
    shown+=("$(awk '$1 == "shown" {print $2}' "$log")")
    unlock_shown_d
    grep -q 'did not come up within' "$log" && HOSTILE_AGAIN=$((HOSTILE_AGAIN + 1))
  done
  rm -f "$XDG_CONFIG_HOME/DW2001.conf"
  echo "  shown (ms): ${shown[*]}" >&2
  HOSTILE_SHOWN=$(printf '%s\n' "${shown[@]}" | grep . | median_largest)
}
print_start_faults() {
  echo "Faults at the start, gardlock /d, median (largest) of $RUNS_START:"
  echo "  killed before its first report: exposed $EARLY_EXPOSED ms, free $EARLY_FREE ms"
  echo "  start -> lock shown, hostile metafile background: $HOSTILE_SHOWN ms" \
    "($HOSTILE_AGAIN started again without pictures)"
}
if [ -n "${START_FAULTS_ONLY:-}" ]; then
  start_faults
  echo
  print_start_faults
  exit 0
fi

echo "Idle desktop (no lock), $IDLE_SECONDS s ..." >&2
sample base "$XVFB_PID" "$ICEWM_PID"

for name in "${LOCKERS[@]}"; do
  echo "Measuring $name ..." >&2
  measure_locked "$name"
done

echo "Tray program (/i) ..." >&2
write_empty_password
"$GARDLOCK_BIN" /i >>"$E2E_TMP/tray.log" 2>&1 &
TRAY_PID=$!
E2E_PIDS+=($TRAY_PID)
sleep 4
TRAY_PROC=$(pgrep -P "$TRAY_PID" | head -1)
[ -n "$TRAY_PROC" ] || TRAY_PROC=$TRAY_PID
sample tray "$TRAY_PROC" "$XVFB_PID" "$ICEWM_PID"
TRAY_RSS=$(resident "$TRAY_PROC") TRAY_PDIRTY=$(private_dirty "$TRAY_PROC")
kill "$TRAY_PID" "$TRAY_PROC" 2>/dev/null

# --- the table -------------------------------------------------------------------
col() { printf ' %18s' "$@"; }
row() { # label values...
  local label=$1; shift
  printf '%-38s' "$label"; for v in "$@"; do col "$v"; done; echo
}

echo
echo "One Xvfb (1024x768) with icewm $(icewm --version 2>/dev/null | awk 'NR==1{print $2}' | tr -d ,)," \
  "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; idle over $IDLE_SECONDS s"
heads=(); for n in "${LOCKERS[@]}"; do case $n in d | n) heads+=("gardlock /$n") ;; *) heads+=("$n") ;; esac; done
row "" "${heads[@]}"
cpu_of() { local out=() n; for n in "${LOCKERS[@]}"; do out+=("${CPU[$n:$1]:--}"); done; printf '%s\n' "${out[@]}"; }
wake_of() { local out=() n; for n in "${LOCKERS[@]}"; do out+=("${WAKE[$n:$1]:--}"); done; printf '%s\n' "${out[@]}"; }
map_of() { local -n m=$1; local out=() n; for n in "${LOCKERS[@]}"; do out+=("${m[$n]:--}"); done; printf '%s\n' "${out[@]}"; }
mapfile -t V < <(cpu_of 0); row "lock: idle CPU, % of a core" "${V[@]}"
mapfile -t V < <(wake_of 0); row "lock: wake-ups per second" "${V[@]}"
mapfile -t V < <(map_of PDIRTY); row "lock: private dirty memory, MiB" "${V[@]}"
mapfile -t V < <(map_of RSS); row "lock: resident memory, MiB" "${V[@]}"
mapfile -t V < <(cpu_of 3); row "supervisor: idle CPU, % of a core" "${V[@]}"
mapfile -t V < <(wake_of 3); row "supervisor: wake-ups per second" "${V[@]}"
mapfile -t V < <(map_of SUP_PDIRTY); row "supervisor: private dirty, MiB" "${V[@]}"
mapfile -t V < <(cpu_of 1); row "Xvfb: CPU % (${CPU[base:0]} unlocked)" "${V[@]}"
mapfile -t V < <(wake_of 1); row "Xvfb: wake-ups/s (${WAKE[base:0]} unlocked)" "${V[@]}"
mapfile -t V < <(cpu_of 2); row "icewm: CPU % (${CPU[base:1]} unlocked)" "${V[@]}"
mapfile -t V < <(wake_of 2); row "icewm: wake-ups/s (${WAKE[base:1]} unl.)" "${V[@]}"
mapfile -t V < <(map_of REASSERT); row "re-assert ms: median / p90 / worst" "${V[@]}"
mapfile -t V < <(map_of PANEL); row "panel re-hidden ms: median/p90/worst" "${V[@]}"
echo
echo "Tray program (/i) idle: ${CPU[tray:0]}% of a core, ${WAKE[tray:0]} wake-ups/s," \
  "private dirty $TRAY_PDIRTY MiB, resident $TRAY_RSS MiB; Xvfb ${CPU[tray:1]}%, icewm ${CPU[tray:2]}%"
echo "(re-assert: $RUNS_RAISE raises, panel: $RUNS_PANEL maps, random gaps of 20..120 ms;" \
  "\"(k/n)\": only k of n were undone within the time-out)"

echo "Faults at the start ..." >&2
start_faults
echo
print_start_faults

if [ -x "$HERE/lock_start_bench.sh" ]; then
  echo
  "$HERE/lock_start_bench.sh" "$BUILD"
fi
if [ -z "${SKIP_CRASH:-}" ]; then
  echo
  "$HERE/crash_bench.sh" "$BUILD"
fi
