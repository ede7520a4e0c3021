#!/bin/bash
# The command line beyond the switches, with no display at all: --help and
# -h print the usage, --version the name and version, both with status 0;
# every switch that would show a window says in one line on stderr that
# there is no display and ends with status 3 (never an abort), whether
# DISPLAY is unset or names a server that is not there. The front that
# answers them links no Qt.
source "$(dirname "$0")/lib.sh"

NODISPLAY=(env -u DISPLAY -u WAYLAND_DISPLAY)
run() { # out-prefix command...
  local prefix=$1; shift
  "$@" >"$E2E_TMP/$prefix.out" 2>"$E2E_TMP/$prefix.err"
  echo $? >"$E2E_TMP/$prefix.status"
}
status_is() { [ "$(cat "$E2E_TMP/$1.status")" = "$2" ]; }
lines_in() { wc -l <"$E2E_TMP/$1"; }

for help in --help -h; do
  run help "${NODISPLAY[@]}" "$GARDLOCK_BIN" "$help"
  check "$help: status 0 without a display" status_is help 0
  check "$help: nothing on stderr" test ! -s "$E2E_TMP/help.err"
  check "$help: the usage line" grep -q '^Usage: gardlock \[SWITCH\]' "$E2E_TMP/help.out"
  for sw in /d /a /b /e /s /t /n /w /i /u; do
    check "$help: names $sw" grep -q "^  $sw " "$E2E_TMP/help.out"
  done
  check "$help: the exit statuses" grep -q '^  70 ' "$E2E_TMP/help.out"
  check "$help: the password file" grep -q 'drive_c/cslckrt.sys' "$E2E_TMP/help.out"
done

run version "${NODISPLAY[@]}" "$GARDLOCK_BIN" --version
check "--version: status 0" status_is version 0
check "--version: exactly the name and version" test "$(cat "$E2E_TMP/version.out")" = "Gardlock 2001 2.0"

# No display: each switch, and no switch at all.
for sw in /d /b /t /n /e /w /a /s /i /u "" /x; do
  run none "${NODISPLAY[@]}" "$GARDLOCK_BIN" $sw
  check "no display, '$sw': status 3" status_is none 3
  check "no display, '$sw': one line on stderr" test "$(lines_in none.err)" = 1
  check "no display, '$sw': it names the display" grep -q 'display' "$E2E_TMP/none.err"
done

# DISPLAY names a server that is not there. The number is held the way X
# servers hold theirs (a lock file naming a live process), so no Xvfb of a
# test running beside this one can take it meanwhile.
GONE=97
while [ -e "/tmp/.X11-unix/X$GONE" ] || ! (set -C; printf '%10d\n' $$ >"/tmp/.X$GONE-lock") 2>/dev/null; do
  GONE=$((GONE + 1))
done
trap 'rm -f "/tmp/.X$GONE-lock"; e2e_cleanup' EXIT
for sw in /d /n /a ""; do
  run gone env -u WAYLAND_DISPLAY DISPLAY=:$GONE "$GARDLOCK_BIN" $sw
  check "unreachable display, '$sw': status 3" status_is gone 3
  check "unreachable display, '$sw': one line naming it" grep -q "\":$GONE\" cannot be reached" "$E2E_TMP/gone.err"
done

check "the front links no Qt" bash -c "! ldd '$GARDLOCK_BIN' | grep -qi qt"
check "the program is installed beside it" test -x "$(dirname "$GARDLOCK_BIN")/gardlock-ui"
finish
