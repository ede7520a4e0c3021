#!/bin/bash
# scripts/run.sh as a new user meets it without a display: it builds the
# program alone, starts its own Xvfb, icewm and a VNC server on a free port
# (5900 is taken here) and says which, shows the screen asked for, whose
# window carries the program's icon, and stops all three when the program
# ends.
source "$(dirname "$0")/lib.sh"

repo=$(realpath "$(dirname "$0")/../..")
build=$(realpath "$(dirname "$GARDLOCK_BIN")/..")

# What the run command builds: the program, none of the tests or benchmarks.
# (Every command that building the target takes, whether up to date or not.)
commands=$(ninja -C "$build" -t commands gardlock_program 2>/dev/null)
check "the run target links the program" grep -q -- " -o src/gardlock " <<<"$commands"
# On stdin: the commands are longer than one argument may be.
check "the run target builds no test, tool or benchmark" \
  bash -c '! grep -qE " -o (tests|bench)/"' <<<"$commands"

# Port 5900 is busy (here, or already elsewhere on this machine).
python3 -c '
import socket, time
s = socket.socket()
try:
    s.bind(("127.0.0.1", 5900)); s.listen(1)
except OSError:
    pass
print("ready", flush=True)
time.sleep(300)' >"$E2E_TMP/blocker.out" &
E2E_PIDS+=($!)
wait_for 10 grep -qx ready "$E2E_TMP/blocker.out" >/dev/null

(
  unset DISPLAY
  export GARDLOCK_BUILD_DIR=$build
  exec bash "$repo/scripts/run.sh" /a
) >"$E2E_TMP/run.out" 2>&1 &
RUN_PID=$!
E2E_PIDS+=($RUN_PID)

said() { grep -m1 "$@" "$E2E_TMP/run.out"; }
DISPLAY_LINE=$(wait_for 120 said "private display")
PORT_LINE=$(wait_for 20 said "VNC port")
check "it says which display it started" test -n "$DISPLAY_LINE"
check "it says which VNC port it chose" test -n "$PORT_LINE"
PORT=$(sed -n 's/^VNC port \([0-9]*\):.*/\1/p' <<<"$PORT_LINE")
export DISPLAY=$(sed -n 's/.*private display \(:[0-9]*\)\..*/\1/p' <<<"$DISPLAY_LINE")
check "the chosen port is not the busy 5900" test -n "$PORT" -a "$PORT" != 5900
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
check "a VNC server answers on the port it printed" wait_for 10 listening "$PORT"

# Its own helpers: the children of the script other than the program.
helpers() { pgrep -P "$RUN_PID" -d ' ' -x 'Xvfb|icewm|x11vnc'; }
HELPERS=$(wait_for 10 helpers)
E2E_PIDS+=($HELPERS)
check "Xvfb, icewm and the VNC server run" test "$(wc -w <<<"$HELPERS")" -eq 3

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
ABOUT=$(wait_for 60 visible_window "About...")
check "the screen asked for comes up" test -n "$ABOUT"
sleep 0.5; screenshot run-about

# The window's icon (_NET_WM_ICON) is the program's, in several sizes, and
# its class is the one the desktop entry names.
icon_sizes() { xprop -id "$ABOUT" _NET_WM_ICON 2>/dev/null | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u; }
SIZES=$(icon_sizes)
check "the window carries an icon" test -n "$SIZES"
for size in 16 32 48; do
  check "the icon has a ${size}x${size} picture" grep -qx "Icon ($size x $size)" <<<"$SIZES"
done
PIXELS=$(xprop -id "$ABOUT" -f _NET_WM_ICON 32x ' $0+\n' _NET_WM_ICON | tr ',' '\n')
has_pixel() { grep -qix " *$1" <<<"$PIXELS"; }
check "the icon is the padlock: its gold keyhole" has_pixel 0xfff5c518
check "the icon is the padlock: its blue body" has_pixel 0xff1f3a93
check "WM_CLASS is the desktop entry's StartupWMClass" \
  bash -c 'xprop -id "$1" WM_CLASS | grep -q "\"Gardlock 2001\"$"' _ "$ABOUT"

# The program ends (here by a signal to it, the way a user's Ctrl+C or a
# kill would end it); the script ends with its status and takes its helpers
# along.
PROGRAM=$(pgrep -P "$RUN_PID" -x gardlock)
check "the program runs under the script" test -n "$PROGRAM"
kill -TERM "$PROGRAM"
ended() { ! kill -0 "$RUN_PID" 2>/dev/null; }
check "the script ends with the program" wait_for 20 ended
wait "$RUN_PID"
STATUS=$?
check "the script passes on the program's status (143, SIGTERM)" test "$STATUS" -eq 143
all_gone() { local p; for p in $HELPERS; do kill -0 "$p" 2>/dev/null && return 1; done; return 0; }
check "Xvfb, icewm and the VNC server are gone" wait_for 10 all_gone
check "the VNC port is free again" bash -c '! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null' _ "$PORT"
check "the private display is gone" bash -c '! xdpyinfo -display "$1" >/dev/null 2>&1' _ "$DISPLAY"

finish
