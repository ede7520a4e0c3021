#!/usr/bin/env bash
# What a lock costs while nobody uses the machine: the Normal lock
# (gardlock /d), the NT-style lock (gardlock /n) and i3lock (where installed;
# this script installs nothing) one after the other on one private Xvfb with
# icewm, each RUNS times (3); the table has the median of the runs. Beside
# them, as the floor of a clock that shows seconds, tests/tools/secondtick:
# one small clear a second and nothing else (it locks nothing).
#   shown        from SETTLE_SECONDS (12) after the lock came up (the
#                keyboard grab held): wake-ups a second over WAKE_SECONDS
#                (20) and idle CPU over IDLE_SECONDS (60), both windows
#                starting then
#   saver        the X screen saver forced on (xset s activate, with a
#                timeout of an hour and no cycling so it stays on until
#                input), 2 s to settle, then wake-ups a second over
#                WAKE_SECONDS; the saver's state is read (MIT-SCREEN-SAVER)
#                before and after (a run where it went off is not
#                counted); xset s reset ends it
#   wake-ups     voluntary + involuntary context switches of every thread of
#                every process of the lock's tree (gardlock: the front and
#                its gardlock-ui; i3lock: its process and the one it
#                forks), from /proc/PID/task/TID/status, thread by thread
#                (a thread started meanwhile counts from zero)
#   idle CPU     /proc/PID/task/TID/schedstat (run time, ns), % of one core,
#                for the lock's tree and for the X server (Xvfb)
#   memory       Private_Dirty of /proc/PID/smaps_rollup summed over the
#                tree, MiB, at the end of the shown time
#
#   bench/idle_bench.sh [BUILD_DIR]     (default: build beside this folder)
#   RUNS=3 WAKE_SECONDS=20 IDLE_SECONDS=60 SETTLE_SECONDS=12 bench/idle_bench.sh
#   THREADS=1 bench/idle_bench.sh       also each thread's wake-ups, on stderr
#   LOCKERS="d secondtick" bench/idle_bench.sh   only these (d n i3lock secondtick)
#
# Runs in a sandbox (HOME and the XDG folders in a temporary folder) with the
# empty password, so Enter at the Normal lock's empty box unlocks it.

HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-$HERE/../build}
BUILD=$(cd "$BUILD" && pwd)
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$HERE/../tests/e2e/lib.sh"
# lib.sh's clean-up was written for scripts without -e: it runs with -e off.
set -euo pipefail
trap 'set +e; end_everything; e2e_cleanup' EXIT
T="$GARDLOCK_TOOLS"
for tool in "$GARDLOCK_BIN" "$BUILD/src/gardlock-ui" "$T/grabprobe" "$T/secondtick"; do
  [ -x "$tool" ] || { echo "missing $tool: scripts/build.sh"; exit 1; }
done

RUNS=${RUNS:-3}
WAKE_SECONDS=${WAKE_SECONDS:-20}
IDLE_SECONDS=${IDLE_SECONDS:-60}
SETTLE_SECONDS=${SETTLE_SECONDS:-12}
SCREEN=1280x720
SAVER_SETTLE=2

if [ -n "${LOCKERS:-}" ]; then
  read -r -a LOCKERS <<<"$LOCKERS"
else
  LOCKERS=(d n)
  if command -v i3lock >/dev/null; then LOCKERS+=(i3lock); else echo "i3lock: not installed" >&2; fi
  # The floor for a clock that shows seconds: a client that clears a corner of
  # its window once a second and does nothing else (no lock).
  LOCKERS+=(secondtick)
fi

start_desktop "$SCREEN" || exit 1
XVFB_PID=${E2E_PIDS[0]}
# No saver of its own accord: only the one forced on below.
xset s off

# --- reading /proc ---------------------------------------------------------------
# The process and all its descendants.
tree_of() {
  local p=$1 c
  echo "$p"
  for c in $(pgrep -P "$p" || true); do tree_of "$c"; done
}
# "PID/TID VALUE" lines for every thread of the processes. grep goes on past a
# thread that ended meanwhile (and reads each small file to its end).
switches_by_thread() {
  local p files=()
  for p in "$@"; do files+=(/proc/"$p"/task/*/status); done
  { grep -H -E '^(non)?voluntary_ctxt_switches:' "${files[@]}" 2>/dev/null || true; } |
    awk -F'[/:[:space:]]+' '{n[$3 "/" $5] += $(NF)} END {for (k in n) print k, n[k]}'
}
cpu_by_thread() {
  local p files=()
  for p in "$@"; do files+=(/proc/"$p"/task/*/schedstat); done
  { grep -H . "${files[@]}" 2>/dev/null || true; } |
    awk -F'[/:[:space:]]+' '{print $3 "/" $5, $7}'
}
# What the threads did between two readings, a second (or, with a factor of
# 100 and nanoseconds, % of a core): threads that started meanwhile count
# from zero.
rate() { # before-file after-file seconds [scale [decimals]]
  awk -v s="$3" -v k="${4:-1}" -v f="%.${5:-1}f\n" 'NR == FNR {a[$1] = $2; next}
    {d += $2 - ($1 in a ? a[$1] : 0)} END {printf f, k * d / s}' "$1" "$2"
}
private_dirty_mib() {
  local p kb=0 v
  for p in "$@"; do
    v=$(awk '/^Private_Dirty:/ {print $2}' /proc/"$p"/smaps_rollup 2>/dev/null || true)
    kb=$((kb + ${v:-0}))
  done
  awk -v k="$kb" 'BEGIN {printf "%.2f\n", k / 1024}'
}
now_ns() { echo $(( ${EPOCHREALTIME//[!0-9]/} * 1000 )); }
seconds_since() { awk -v a="$1" -v b="$(now_ns)" 'BEGIN {printf "%.3f\n", (b - a) / 1e9}'; }
# Each thread's wake-ups a second (on stderr, with THREADS=1).
thread_report() { # label before after seconds pid...
  [ -n "${THREADS:-}" ] || return 0
  local what=$1 before=$2 after=$3 s=$4 key p tid n; shift 4
  echo "  $what, wake-ups a second by thread:" >&2
  awk -v s="$s" 'NR == FNR {a[$1] = $2; next}
    {printf "%s %.2f\n", $1, ($2 - ($1 in a ? a[$1] : 0)) / s}' "$before" "$after" |
    sort -k2,2 -rn | while read -r key n; do
      p=${key%/*} tid=${key#*/}
      printf '    %-12s %-16s %8s %8.2f\n' "$(cat /proc/"$p"/comm 2>/dev/null || echo '?')" \
        "$(cat /proc/"$p"/task/"$tid"/comm 2>/dev/null || echo '(ended)')" "$tid" "$n" >&2
    done
}

# The X screen saver's state through MIT-SCREEN-SAVER (on, off, cycle or
# disabled) and its kind (blanked: the server had the screen blank itself,
# internal: the server's own window covers it), "unknown" without Python or
# libXss (libxss1, which xautolock brings).
saver_state() {
  python3 - <<'PY' 2>/dev/null || echo unknown
import ctypes
x11 = ctypes.CDLL("libX11.so.6")
xss = ctypes.CDLL("libXss.so.1")
class Info(ctypes.Structure):
    _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong), ("mask", ctypes.c_ulong)]
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(Info)]
d = x11.XOpenDisplay(None)
info = Info()
if not d or not xss.XScreenSaverQueryInfo(d, x11.XDefaultRootWindow(d), ctypes.byref(info)):
    raise SystemExit(1)
print({0: "off", 1: "on", 2: "cycle", 3: "disabled"}.get(info.state, str(info.state)),
      {0: "blanked", 1: "internal", 2: "external"}.get(info.kind, str(info.kind)))
PY
}

# --- the locks -------------------------------------------------------------------
LOCK_PID=""
grab_held() { [ "$("$T/grabprobe" once)" = AlreadyGrabbed ]; }
grab_free() { [ "$("$T/grabprobe" once)" = Success ]; }
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep . >/dev/null; }
lock_gone() { ! kill -0 "$LOCK_PID" 2>/dev/null; }

start_lock() {
  mkdir -p "$DRIVE_C"; printf '""\r\n' >"$DRIVE_C/cslckrt.sys" # the empty password
  case $1 in
    d | n) "$GARDLOCK_BIN" "/$1" >>"$E2E_TMP/lock-$1.log" 2>&1 & ;;
    i3lock) i3lock -n -c 000000 >>"$E2E_TMP/lock-i3lock.log" 2>&1 & ;;
    secondtick) "$T/secondtick" >>"$E2E_TMP/lock-secondtick.log" 2>&1 & ;;
  esac
  LOCK_PID=$!
  E2E_PIDS+=("$LOCK_PID")
}
# Up: the keyboard held and, for ours, the lock's window shown.
lock_up() {
  [ "$1" = secondtick ] && { sleep 1; return 0; }
  wait_for 20 grab_held >/dev/null || return 1
  case $1 in
    d) wait_for 20 visible_window "Desktop status: Locked" >/dev/null ;;
    n) wait_for 20 visible_window "System Locked" >/dev/null ;;
  esac
}
# Ours unlock as a user would (so the task bar is back for the next lock);
# whatever is still running after that is killed.
end_lock() {
  local tree
  tree=$(tree_of "$LOCK_PID")
  case $1 in
    d) xdotool key --clearmodifiers Return ;;
    n) xdotool keydown ctrl keydown shift keydown alt key a keyup alt keyup shift keyup ctrl
       wait_for 5 visible_window "Start Logon" >/dev/null || true; sleep 0.3
       xdotool key --clearmodifiers Return ;;
    i3lock | secondtick) kill "$LOCK_PID" 2>/dev/null || true ;;
  esac
  if ! wait_for 10 lock_gone >/dev/null; then
    echo "  $1 did not end: killed" >&2
    # shellcheck disable=SC2086
    kill -9 $tree 2>/dev/null || true
  fi
  wait "$LOCK_PID" 2>/dev/null || true
  # A program left behind by its front.
  # shellcheck disable=SC2086
  kill -9 $tree 2>/dev/null || true
  LOCK_PID=""
  wait_for 10 grab_free >/dev/null || echo "  the keyboard is still held after $1" >&2
}
end_everything() {
  xset s reset 2>/dev/null
  # shellcheck disable=SC2046
  [ -n "$LOCK_PID" ] && kill -9 $(tree_of "$LOCK_PID") 2>/dev/null
  return 0
}

# --- one run -----------------------------------------------------------------------
declare -A FIG # "name:figure" -> one value a line, a line a run
add() { FIG[$1:$2]+="$3"$'\n'; }
SAVER_NOTES=()
SAVER_KIND=unknown

measure() { # name run
  local name=$1 run=$2 tree s0 s1 c0 c1 x0 x1 t0 ws cs pd state
  start_lock "$name"
  if ! lock_up "$name"; then
    echo "  $name (run $run) never came up" >&2
    end_lock "$name"; return 0
  fi
  sleep "$SETTLE_SECONDS"
  mapfile -t tree < <(tree_of "$LOCK_PID")
  s0=$E2E_TMP/s0 s1=$E2E_TMP/s1 c0=$E2E_TMP/c0 c1=$E2E_TMP/c1 x0=$E2E_TMP/x0 x1=$E2E_TMP/x1

  # Shown: both windows start together; the shorter one is read first.
  t0=$(now_ns)
  switches_by_thread "${tree[@]}" >"$s0"
  cpu_by_thread "${tree[@]}" >"$c0"
  cpu_by_thread "$XVFB_PID" >"$x0"
  local first=$WAKE_SECONDS
  [ "$IDLE_SECONDS" -lt "$first" ] && first=$IDLE_SECONDS
  sleep "$first"
  if [ "$WAKE_SECONDS" -le "$IDLE_SECONDS" ]; then
    ws=$(seconds_since "$t0"); switches_by_thread "${tree[@]}" >"$s1"
    sleep $((IDLE_SECONDS - WAKE_SECONDS))
    cs=$(seconds_since "$t0"); cpu_by_thread "${tree[@]}" >"$c1"; cpu_by_thread "$XVFB_PID" >"$x1"
  else
    cs=$(seconds_since "$t0"); cpu_by_thread "${tree[@]}" >"$c1"; cpu_by_thread "$XVFB_PID" >"$x1"
    sleep $((WAKE_SECONDS - IDLE_SECONDS))
    ws=$(seconds_since "$t0"); switches_by_thread "${tree[@]}" >"$s1"
  fi
  add "$name" wake "$(rate "$s0" "$s1" "$ws")"
  add "$name" cpu "$(rate "$c0" "$c1" "$cs" 1e-7 3)"
  add "$name" xcpu "$(rate "$x0" "$x1" "$cs" 1e-7 3)"
  thread_report "$name run $run, shown" "$s0" "$s1" "$ws" "${tree[@]}"
  pd=$(private_dirty_mib "${tree[@]}")
  add "$name" dirty "$pd"
  [ "$(tree_of "$LOCK_PID" | sort | tr '\n' ' ')" = "$(printf '%s\n' "${tree[@]}" | sort | tr '\n' ' ')" ] ||
    echo "  $name (run $run): the lock's processes changed while shown" >&2

  # The screen saver on, until input (none comes).
  xset s 3600 0
  xset s activate
  sleep "$SAVER_SETTLE"
  state=$(saver_state)
  SAVER_KIND=${state#* }; state=${state%% *}
  t0=$(now_ns)
  switches_by_thread "${tree[@]}" >"$s0"
  sleep "$WAKE_SECONDS"
  ws=$(seconds_since "$t0"); switches_by_thread "${tree[@]}" >"$s1"
  state="$state/$(saver_state | cut -d' ' -f1)"
  xset s reset
  xset s off
  if [ "$state" = on/on ]; then
    add "$name" saver "$(rate "$s0" "$s1" "$ws")"
  else
    SAVER_NOTES+=("$name run $run: the saver was $state (before/after) - not counted")
  fi
  thread_report "$name run $run, saver" "$s0" "$s1" "$ws" "${tree[@]}"

  end_lock "$name"
  echo "  $name run $run: shown $(printf '%s' "${FIG[$name:wake]}" | tail -1)/s," \
    "saver $state, cpu $(printf '%s' "${FIG[$name:cpu]}" | tail -1)%, dirty $pd MiB" >&2
}

for run in $(seq 1 "$RUNS"); do
  for name in "${LOCKERS[@]}"; do measure "$name" "$run"; done
done

# --- the table -----------------------------------------------------------------------
median() { grep . | sort -n | awk '{v[NR] = $1} END {if (!NR) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
  else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
fig() { printf '%s' "${FIG[$1:$2]:-}" | median; }
label() { case $1 in d | n) echo "gardlock /$1" ;; secondtick) echo "1 clear a second" ;; *) echo "$1 -n" ;; esac; }

echo
echo "Idle cost of a lock: one Xvfb (${SCREEN}) with icewm, $(nproc) cores, median of $RUNS runs;"
echo "shown: from ${SETTLE_SECONDS} s after the lock came up, wake-ups over ${WAKE_SECONDS} s and CPU over ${IDLE_SECONDS} s;"
echo "saver: forced on ($SAVER_KIND), from ${SAVER_SETTLE} s later over ${WAKE_SECONDS} s; load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
printf '%-14s %16s %16s %16s %16s %16s\n' "" "shown" "saver on" "idle CPU" "Xvfb CPU" "private dirty"
printf '%-14s %16s %16s %16s %16s %16s\n' "locker" "wake-ups/s" "wake-ups/s" "% of a core" "% of a core" "MiB"
for name in "${LOCKERS[@]}"; do
  printf '%-14s %16s %16s %16s %16s %16s\n' "$(label "$name")" "$(fig "$name" wake)" "$(fig "$name" saver)" \
    "$(fig "$name" cpu)" "$(fig "$name" xcpu)" "$(fig "$name" dirty)"
done
for note in "${SAVER_NOTES[@]}"; do echo "($note)"; done
