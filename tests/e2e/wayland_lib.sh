# Shared set-up of the end-to-end tests on Wayland compositors; source it
# after lib.sh. Debian 12's weston runs headless (or nested in the test's
# Xvfb) as a compositor without the session lock; sway comes from the test
# bed's Debian 13 root (scripts/wayland-testbed.sh), built once and cached,
# as the compositor with it. Everything started here is stopped when the
# script ends, and sway also when the script is killed.
#
# GARDLOCK_SKIP_WAYLAND=1 skips the script (status 77). Without it, a test
# bed that cannot be built fails the script, saying why.

if [ -n "${GARDLOCK_SKIP_WAYLAND:-}" ] && [ "$GARDLOCK_SKIP_WAYLAND" != 0 ]; then
  echo "SKIPPED: GARDLOCK_SKIP_WAYLAND is set"
  exit 77
fi

TESTBED=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/wayland-testbed.sh
# lib.sh moved HOME into the test's folder: the cached root stays in the
# real cache (as root, /var/cache/gardlock, which needs nothing of HOME).
if [ "$(id -u)" -ne 0 ] && [ -z "${GARDLOCK_WAYLAND_ROOT:-}" ] && [ -z "${XDG_CACHE_HOME:-}" ]; then
  export XDG_CACHE_HOME="$(getent passwd "$(id -u)" | cut -d: -f6)/.cache"
fi

WAYLAND_STOPS=()
WESTON_PIDS=()
wayland_cleanup() {
  local i
  for ((i = ${#WAYLAND_STOPS[@]} - 1; i >= 0; i--)); do eval "${WAYLAND_STOPS[i]}" >/dev/null 2>&1; done
  WAYLAND_STOPS=()
}
trap 'wayland_cleanup; e2e_cleanup' EXIT

# Ends the script as failed, saying why (not skipped: a test bed that is
# missing is a fault of the machine, to be seen).
wayland_fail() {
  echo "FAIL - $*"
  echo "  (GARDLOCK_SKIP_WAYLAND=1 skips the Wayland tests)"
  echo "$PASSES passed, $((FAILURES + 1)) failed"
  exit 1
}

# start_sway [NAME]: a headless sway from the test bed, for this script alone
# (NAME, its runtime folder's, tells several apart; one at a time).
# Sets SWAY_DISPLAY (its socket, an absolute path), SWAY_RUNDIR, SWAY_PID,
# SWAY_WATCHER, SWAY_CONFIG (its config's name, which only its processes
# carry) and WAYLAND_ROOT. The root is built first if need be.
start_sway() {
  "$TESTBED" build >"$E2E_TMP/testbed-build.log" 2>&1 || {
    sed 's/^/  /' "$E2E_TMP/testbed-build.log"
    wayland_fail "the Wayland test bed's root cannot be built (its messages are above)"
  }
  echo "  $(tail -n 1 "$E2E_TMP/testbed-build.log")"
  SWAY_RUNDIR="$E2E_TMP/${1:-sway}"
  "$TESTBED" start --owner $$ "$SWAY_RUNDIR" >"$E2E_TMP/sway.env" 2>"$E2E_TMP/sway.err" || {
    sed 's/^/  /' "$E2E_TMP/sway.err"
    wayland_fail "sway from the test bed did not start (above: why)"
  }
  WAYLAND_STOPS+=("stop_sway")
  local WAYLAND_DISPLAY SWAYSOCK
  source "$E2E_TMP/sway.env"
  SWAY_DISPLAY=$WAYLAND_DISPLAY
  SWAY_WATCHER=$(cat "$SWAY_RUNDIR/watcher.pid")
}
stop_sway() { [ -n "${SWAY_RUNDIR:-}" ] && "$TESTBED" stop "$SWAY_RUNDIR"; }

# Runs a tool of the root (grim, wtype, swaymsg) on the test's sway.
sway_run() { "$TESTBED" run "$SWAY_RUNDIR" "$@"; }
# grim_shot NAME: what sway shows, into $E2E_OUT/NAME.png.
grim_shot() { sway_run grim - >"$E2E_OUT/$1.png"; }
# pixel_at FILE X Y: the colour there, as "srgb(r,g,b)".
pixel_at() { convert "$1" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }

# start_weston [--xwayland | --nested] [NAME]: Debian's weston, headless (or
# in the test's own X display with --nested, a compositor nested in X).
# Sets WESTON_DISPLAY (its socket, an absolute path), WESTON_PID and, with
# --xwayland, WESTON_X11 (its X display, started by weston on first use).
start_weston() {
  local mode=headless
  case ${1:-} in --xwayland | --nested) mode=${1#--}; shift ;; esac
  local dir="$E2E_TMP/weston-${1:-$mode}" args=(--no-config --idle-time=0 --socket=wayland-w)
  mkdir -p "$dir" && chmod 700 "$dir"
  case $mode in
    headless) args+=(--backend=headless-backend.so) ;;
    xwayland) args+=(--backend=headless-backend.so --xwayland) ;;
    nested) args+=(--backend=x11-backend.so --use-pixman --width=640 --height=480) ;;
  esac
  # weston's Xwayland listens in the X sockets' folder, which only an X
  # server started before would have made on a fresh machine.
  [ $mode != xwayland ] || [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
  XDG_RUNTIME_DIR=$dir weston "${args[@]}" >"$dir/log" 2>&1 &
  WESTON_PID=$!
  E2E_PIDS+=("$WESTON_PID")
  WESTON_PIDS+=("$WESTON_PID")
  WAYLAND_STOPS+=("stop_weston $WESTON_PID")
  WESTON_DISPLAY=$dir/wayland-w
  if ! wait_for 30 env WAYLAND_DISPLAY="$WESTON_DISPLAY" wayland-info >/dev/null; then
    sed 's/^/  /' "$dir/log" | tail -20
    wayland_fail "weston ($mode) did not come up"
  fi
  WESTON_X11=""
  if [ $mode = xwayland ]; then
    WESTON_X11=$(wait_for 20 _weston_x11 "$dir/log") ||
      wayland_fail "weston did not say which X display its Xwayland listens on"
  fi
}
_weston_x11() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$1" | grep -m1 .; }
# stop_weston PID: ends that weston (and with it its Xwayland and helpers).
stop_weston() {
  kill -TERM "$1" 2>/dev/null
  local i
  for i in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; pause 0.05; done
  kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  return 0
}

# Whether a compositor offers an interface, as wayland-info lists it.
offers() { WAYLAND_DISPLAY=$1 wayland-info 2>/dev/null | grep "'$2'" >/dev/null; }

# What is left of the compositors this script started: processes by id and
# by the sway config's name, mounts under the root or the runtime folders.
# Prints them; true when nothing is left.
nothing_left() {
  local left=""
  [ -z "${SWAY_CONFIG:-}" ] || left+=$(pgrep -af "$SWAY_CONFIG")
  local pid
  for pid in ${SWAY_PID:-} ${SWAY_WATCHER:-} ${WESTON_PIDS[@]:-}; do
    kill -0 "$pid" 2>/dev/null && [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ] && left+=" process $pid"
  done
  left+=$(findmnt -rn -o TARGET | grep -F -e "${WAYLAND_ROOT:-/nonexistent-root}" -e "$E2E_TMP")
  [ -z "$left" ] || { echo "left: $left"; return 1; }
}
