#!/bin/bash
# Every screen over the accessibility bus (AT-SPI) on a private session bus:
# no control without a name, none that Tab cannot reach, links as links,
# password boxes as password text, Escape closing the dialogs, the first run
# and About from the keyboard alone. The walk
# itself is accessibility_walk.py; it drives the real program with xdotool.
source "$(dirname "$0")/lib.sh"

WALK="$(dirname "$0")/accessibility_walk.py"

start_desktop
start_accessibility_bus

mkdir -p "$DRIVE_C"; printf '"pw"\r\n' > "$DRIVE_C/cslckrt.sys"
mkdir -p "$E2E_TMP/files"; printf '2.0' > "$E2E_TMP/files/application.ver"
printf '[Web]\nDownloadFolder=file://%s/files/\n' "$E2E_TMP" > "$XDG_CONFIG_HOME/DW2001.conf"

walk() { # walk TOUR: runs one tour, folding its lines into this test's counts
  local line
  while IFS= read -r line; do
    echo "$line"
    case $line in
      "ok   - "*) PASSES=$((PASSES + 1)) ;;
      "FAIL - "*) FAILURES=$((FAILURES + 1)) ;;
    esac
  done < <(timeout 300 "$PY" "$WALK" "$1" 2>"$E2E_TMP/walk-$1.err")
  [ -s "$E2E_TMP/walk-$1.err" ] && sed 's/^/  walk: /' "$E2E_TMP/walk-$1.err" | tail -15
}
# Ends a copy that is still up: the supervisor first, so nothing is relaunched.
end_copy() {
  local child
  child=$(pgrep -P "$GARDLOCK_PID")
  kill -9 "$GARDLOCK_PID" $child 2>/dev/null
  wait "$GARDLOCK_PID" 2>/dev/null
}

# A new user's first run, before any password is set: the welcome note has
# the keyboard and Escape closes only it.
mv "$DRIVE_C/cslckrt.sys" "$E2E_TMP/cslckrt.sys"
start_gardlock
walk first-run
wait_exit 20
check "the first run ends with the main screen's Exit (status 0)" test "$STATUS" = 0
[ "$STATUS" = still-running ] && end_copy
mv "$E2E_TMP/cslckrt.sys" "$DRIVE_C/cslckrt.sys"

# The main screen and everything its links, buttons and pages lead to.
start_gardlock
walk screens
wait_exit 20
check "the tour ends with the main screen's Exit (status 0)" test "$STATUS" = 0
screenshot accessibility-end
[ "$STATUS" = still-running ] && end_copy

# The uninstall guard: looked at only; its Cancel would log off.
start_gardlock /u
walk uninstall
end_copy
check "nothing was logged off" test ! -s "$E2E_TMP/logoff.record"

# The normal lock: named, Tab stays in it; the password still ends it.
start_gardlock /d
walk lock
xdotool type --delay 60 pw; xdotool key Return
wait_exit 20
check "the lock ends with its password (status 0)" test "$STATUS" = 0
[ "$STATUS" = still-running ] && end_copy

# The NT-style lock: its box, then its prompt; the password ends it.
start_gardlock /n
walk nt-lock
xdotool type --delay 60 pw; xdotool key Return
wait_exit 20
check "the NT-style lock ends with its password (status 0)" test "$STATUS" = 0
[ "$STATUS" = still-running ] && end_copy

kill "$A11Y_LAUNCHER" 2>/dev/null
finish
