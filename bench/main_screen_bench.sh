#!/usr/bin/env bash
# Time to the main screen: `gardlock` started without a switch until its
# window "Gardlock 2001" is viewable. tests/tools/mapwatch starts it and
# reads the server's MapNotify that makes the window (and icewm's frame
# around it) viewable; the figure is from just before the fork to that event.
#   cold   the first start in a fresh HOME and XDG folders (nothing of the
#          program's or Qt's per-user state yet; the system's file cache is
#          left as it is), a new HOME for each run
#   warm   later starts in one HOME that has seen a start before
# Median of 10 (RUNS) each, and the range. A password is stored first, so
# that the main screen itself comes up and not the first-run way to the
# Password Settings screen.
#
#   bench/main_screen_bench.sh [BUILD_DIR]   (default: build beside this folder)
#
# Prints "main-screen cold|warm MEDIAN_MS MIN_MS MAX_MS" lines and a table.

BUILD=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
export GARDLOCK_BIN="$BUILD/src/gardlock" GARDLOCK_TOOLS="$BUILD/tests" E2E_OUT=/tmp/gardlock-bench
source "$(dirname "$0")/../tests/e2e/lib.sh"
T="$GARDLOCK_TOOLS"
[ -x "$T/mapwatch" ] || { echo "missing $T/mapwatch: build it first (target mapwatch)"; exit 1; }
[ -x "$BUILD/src/gardlock-ui" ] || { echo "missing $BUILD/src/gardlock-ui"; exit 1; }
RUNS=${RUNS:-10}
TITLE="Gardlock 2001"

start_desktop
median() { sort -n | awk '{v[NR]=$1} END{if (NR==0) print "n/a"; else if (NR%2) print v[(NR+1)/2]; else printf "%.3f\n", (v[NR/2]+v[NR/2+1])/2}'; }

# fresh_home NAME: a HOME and XDG folders of their own, with a password stored.
fresh_home() {
  local root="$E2E_TMP/$1"
  export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data"
  export XDG_RUNTIME_DIR="$root/runtime"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/gardlock/drive_c" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  printf '"pw"\r\n' >"$XDG_DATA_HOME/gardlock/drive_c/cslckrt.sys"
}

gone() { ! xdotool search --onlyvisible --name "^$TITLE\$" >/dev/null 2>&1; }

# Ends the program started by mapwatch (its process group) and waits until
# its window is gone, so that the next start is not a second copy.
end_program() { # pgid
  kill -TERM -- "-$1" 2>/dev/null
  local i
  for i in $(seq 1 100); do kill -0 -- "-$1" 2>/dev/null || break; sleep 0.05; done
  kill -KILL -- "-$1" 2>/dev/null
  wait_for 10 gone >/dev/null
}

declare -A MEDIAN LOW HIGH
one_start() { # prints the milliseconds, or "timeout"
  local out ms pid
  "$T/mapwatch" --timeout 30000 "$TITLE" "$GARDLOCK_BIN" >"$E2E_TMP/mapwatch.out" 2>>"$E2E_TMP/gardlock.log"
  out=$(cat "$E2E_TMP/mapwatch.out")
  ms=$(awk '$1 == "shown" {print $2}' <<<"$out")
  pid=$(awk '$1 == "pid" {print $2}' <<<"$out")
  if [ -z "$ms" ]; then # say why on stderr
    echo "  no main screen: mapwatch said: $(tr '\n' ' ' <<<"$out")" >&2
    echo "  windows so named: $(xdotool search --name "^$TITLE\$" 2>/dev/null | while read -r w; do
      printf '%s(%s) ' "$w" "$(map_state "$w")"; done)" >&2
    [ -n "$pid" ] && ps -o pid=,stat=,args= --ppid "$pid" >&2
    tail -5 "$E2E_TMP/gardlock.log" >&2
  fi
  [ -n "$pid" ] && end_program "$pid"
  echo "${ms:-timeout}"
}

record() { # kind times...
  local kind=$1; shift
  echo "  $kind runs (ms): $*" >&2
  local sorted
  sorted=$(printf '%s\n' "$@" | grep -v timeout | sort -n)
  MEDIAN[$kind]=$(median <<<"$sorted")
  LOW[$kind]=$(head -1 <<<"$sorted")
  HIGH[$kind]=$(tail -1 <<<"$sorted")
  echo "main-screen $kind ${MEDIAN[$kind]} ${LOW[$kind]} ${HIGH[$kind]}"
}

times=()
for i in $(seq 1 "$RUNS"); do
  fresh_home "cold$i"
  times+=("$(one_start)")
done
record cold "${times[@]}"

fresh_home warm
one_start >/dev/null # the start that makes it warm
times=()
for i in $(seq 1 "$RUNS"); do times+=("$(one_start)"); done
record warm "${times[@]}"

echo
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %12s %20s\n' start "median" "min - max"
for kind in cold warm; do
  printf '%-6s %9s ms %20s\n' "$kind" "${MEDIAN[$kind]}" "${LOW[$kind]} - ${HIGH[$kind]} ms"
done
