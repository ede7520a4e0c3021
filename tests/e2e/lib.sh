# Shared set-up of the end-to-end tests: a private Xvfb with icewm (task bar
# and tray), a sandboxed HOME and XDG folders, and helpers to wait for
# windows, files and processes. Source it; it cleans up on exit.
#
# Environment from ctest: GARDLOCK_BIN (the executable), GARDLOCK_TOOLS (the
# folder of the test X clients), E2E_OUT (a folder for screenshots and logs).

set -uo pipefail
# With pipefail a reader that stops early (grep -q, head, awk's exit) can fail
# its pipeline: the writer still writing dies of SIGPIPE. Pipes tested here
# read to the end (grep PATTERN >/dev/null).

: "${GARDLOCK_BIN:?GARDLOCK_BIN must name the gardlock executable}"
: "${GARDLOCK_TOOLS:=$(dirname "$GARDLOCK_BIN")/../tests}"
: "${E2E_OUT:=/tmp/gardlock-e2e}"
mkdir -p "$E2E_OUT"

E2E_TMP=$(mktemp -d /tmp/gardlock-e2e.XXXXXX)
export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/config" XDG_DATA_HOME="$E2E_TMP/data"
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_SESSION_ID WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
DRIVE_C="$XDG_DATA_HOME/gardlock/drive_c"
AUTOSTART="$XDG_CONFIG_HOME/autostart"

# A recorder stands in for loginctl, so nothing can log anybody off.
mkdir -p "$E2E_TMP/bin"
cat > "$E2E_TMP/bin/loginctl" <<REC
#!/bin/sh
echo "loginctl \$*" >> "$E2E_TMP/logoff.record"
REC
chmod +x "$E2E_TMP/bin/loginctl"
export PATH="$E2E_TMP/bin:$PATH"

E2E_PIDS=()
FAILURES=0
PASSES=0

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  # The accessibility bus's own daemon, which its launcher started and does
  # not take along: it listens in this script's folder, and only it does.
  for pid in $(pgrep -f -- "--address=unix:path=$E2E_TMP/"); do kill -9 "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Starts Xvfb on a free display and icewm with its task bar; exports DISPLAY.
# The screen is 1024x768 unless a size (WxH) is given; Xvfb never grows the
# root beyond it later. icewm now and then comes up without its task bar (or
# dies starting); it is then started again, up to three times, and its log shown.
start_desktop() {
  local fd_file="$E2E_TMP/display" size=${1:-1024x768}
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fd_file" 2>"$E2E_TMP/xvfb.log" &
  E2E_PIDS+=($!)
  local i
  for i in $(seq 1 200); do [ -s "$fd_file" ] && break; pause 0.05; done
  [ -s "$fd_file" ] || { echo "Xvfb did not start:"; cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(cat "$fd_file")"
  local attempt icewm_pid
  for attempt in 1 2 3; do
    icewm >"$E2E_TMP/icewm.log" 2>&1 &
    icewm_pid=$!
    E2E_PIDS+=($icewm_pid)
    wait_for 15 taskbar_frame >/dev/null && return 0
    echo "icewm's task bar did not come up (attempt $attempt); icewm said:"
    sed 's/^/  /' "$E2E_TMP/icewm.log" | tail -20
    kill -9 "$icewm_pid" 2>/dev/null
    wait "$icewm_pid" 2>/dev/null
  done
  exit 1
}

# A session bus of the test's own; sets PY (the system's Python, which has
# GLib's D-Bus bindings). Skips the test (status 77) without dbus or them.
start_session_bus() {
  PY=/usr/bin/python3
  if ! "$PY" -c 'from gi.repository import Gio' 2>/dev/null || ! command -v dbus-daemon >/dev/null; then
    echo "SKIPPED: needs dbus and python3-gi (scripts/install-deps.sh)"
    exit 77
  fi
  dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$E2E_TMP/bus.address" 4>"$E2E_TMP/bus.pid"
  E2E_PIDS+=("$(cat "$E2E_TMP/bus.pid")")
  export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$E2E_TMP/bus.address")
}

# That session bus and the accessibility bus behind it, with Qt's
# accessibility on for the program; sets PY (the Python that has pyatspi)
# and A11Y_LAUNCHER. Skips the test (status 77) where the accessibility
# packages are missing.
start_accessibility_bus() {
  local launcher=/usr/libexec/at-spi-bus-launcher
  if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || [ ! -x "$launcher" ]; then
    echo "SKIPPED: needs python3-pyatspi, at-spi2-core and dbus (scripts/install-deps.sh)"
    exit 77
  fi
  start_session_bus
  unset AT_SPI_BUS_ADDRESS
  "$launcher" --launch-immediately >"$E2E_TMP/a11y-bus.log" 2>&1 &
  A11Y_LAUNCHER=$!
  E2E_PIDS+=($A11Y_LAUNCHER)
  check "the accessibility bus comes up" wait_for 20 _a11y_bus_up
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
}
_a11y_bus_up() {
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null | grep unix >/dev/null
}

# Waits up to $1 seconds for the command to succeed; prints its output.
# The polls run many times a second in several scripts at once, so neither
# the clock nor the pause costs a process: the pause is a read that times out
# on a pipe nobody writes to (opened for the read only, so no program started
# here inherits it), the clock bash's own, in microseconds.
mkfifo "$E2E_TMP/pause"
pause() { read -rt "$1" <>"$E2E_TMP/pause" || true; }
wait_for() {
  local timeout=$1; shift
  local deadline=$(( ${EPOCHREALTIME//[!0-9]/} + timeout * 1000000 ))
  while [ "${EPOCHREALTIME//[!0-9]/}" -lt "$deadline" ]; do
    if out=$("$@" 2>/dev/null); then printf '%s' "$out"; return 0; fi
    pause 0.05
  done
  return 1
}

# The id of icewm's task bar frame (a direct child of the root), if any.
taskbar_frame() {
  xwininfo -root -tree 2>/dev/null | grep -e '"icewm" "TaskBar"' >/dev/null || return 1
  xwininfo -root -children 2>/dev/null | awk 'NR>0 && $1 ~ /^0x/ {print $1}' | while read -r w; do
    if xwininfo -id "$w" -tree 2>/dev/null | grep -F '("icewm" "TaskBar")' >/dev/null; then echo "$w"; break; fi
  done | grep .
}

# Whether a window is viewable (mapped with all its ancestors).
is_viewable() { xwininfo -id "$1" 2>/dev/null | grep "Map State: IsViewable" >/dev/null; }

# Window ids with this exact title.
windows_named() { xdotool search --name "^$1\$" 2>/dev/null; }

# The key code that types a key symbol (in any group of the keymap), as a
# keyboard's key would: for XTEST, which sends key codes.
keycode() { xmodmap -pke | awk -v k="$1" '{for (i = 4; i <= NF; i++) if ($i == k) {print $2; exit}}'; }

# Starts gardlock with a switch in the background; sets GARDLOCK_PID.
start_gardlock() {
  "$GARDLOCK_BIN" "$@" >"$E2E_TMP/gardlock.out" 2>&1 &
  GARDLOCK_PID=$!
  E2E_PIDS+=($GARDLOCK_PID)
}

# Waits up to $1 seconds (default 10) for the gardlock process to end and
# sets STATUS to its exit status, or "still-running". Call it directly, not in
# $(...): only the shell that started the program can wait for it.
wait_exit() {
  local timeout=${1:-10} i
  STATUS=still-running
  for i in $(seq 1 $((timeout * 20))); do
    if ! kill -0 "$GARDLOCK_PID" 2>/dev/null; then wait "$GARDLOCK_PID"; STATUS=$?; return 0; fi
    pause 0.05
  done
  return 1
}

check() { # check "description" command...
  local what=$1; shift
  if "$@"; then PASSES=$((PASSES + 1)); echo "ok   - $what"
  else FAILURES=$((FAILURES + 1)); echo "FAIL - $what"; fi
}

screenshot() { import -window root "$E2E_OUT/$1.png" 2>/dev/null || true; }

# Prints the closing line ctest reads and sets the exit status.
finish() {
  echo "$PASSES passed, $FAILURES failed"
  [ "$FAILURES" -eq 0 ]
}

# --- The X11 shell helpers -------------------------------------------------

# Map state of a window: IsViewable, IsUnMapped or IsUnviewable.
map_state() { xwininfo -id "$1" 2>/dev/null | awk '/Map State:/{print $3}'; }

# The id of a named part of icewm's task bar (TaskBarMenu, TrayPane, TaskPane, SystemTray).
taskbar_part() { xwininfo -root -tree 2>/dev/null | awk -v n="\"$1\":" '!f && $2 == n {print $1; f = 1}' | grep .; }

# "x y" of a window's upper-left corner on the screen.
window_position() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x" "y}'
}

# Whether a window (or the frame holding it) is in front of all others.
on_top() { "$GARDLOCK_TOOLS/stacktop" "$1" >/dev/null; }

# The lock driver (tests/driver/lockdriver.cpp), fed commands through a fifo.
# start_driver [--box]; then driver "command" sends one and waits for its answer.
start_driver() {
  DRIVER_IN="$E2E_TMP/driver.in" DRIVER_OUT="$E2E_TMP/driver.out"
  rm -f "$DRIVER_IN" "$DRIVER_OUT"
  mkfifo "$DRIVER_IN"
  "$GARDLOCK_TOOLS/lockdriver" "$@" <"$DRIVER_IN" >"$DRIVER_OUT" 2>"$E2E_TMP/driver.err" &
  DRIVER_PID=$!
  E2E_PIDS+=($DRIVER_PID)
  exec {DRIVER_FD}>"$DRIVER_IN"
  wait_for 20 grep -qx ready "$DRIVER_OUT" >/dev/null
}
_driver_answers() { [ "$(grep -cx "ok $1" "$DRIVER_OUT")" -gt "$2" ]; }
driver() {
  local before
  before=$(grep -cx "ok $1" "$DRIVER_OUT")
  echo "$1" >&"$DRIVER_FD"
  wait_for 20 _driver_answers "$1" "$before" >/dev/null
}
stop_driver() {
  [ -n "${DRIVER_FD:-}" ] && { echo quit >&"$DRIVER_FD"; exec {DRIVER_FD}>&-; DRIVER_FD=""; }
  local i
  for i in $(seq 1 100); do kill -0 "$DRIVER_PID" 2>/dev/null || break; pause 0.05; done
  kill -9 "$DRIVER_PID" 2>/dev/null
  wait "$DRIVER_PID" 2>/dev/null
}
# The driver's window ids: driver_window bg|box.
driver_window() { awk -v k="$1" '$1 == "window" && $2 == k {print $3; exit}' "$DRIVER_OUT"; }

# Another client's keyboard grab, tried once: Success or AlreadyGrabbed.
probe_grab() { "$GARDLOCK_TOOLS/grabprobe" "$@" once; }
