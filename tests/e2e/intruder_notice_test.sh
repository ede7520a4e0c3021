#!/bin/bash
# The notice after an unlock, through a real notification service (dunst)
# on the test's own display and session bus: two wrong passwords then the
# right one give exactly one Notify with the count and none of the typed
# text; its action opens the Log Viewer, or moves the main screen already
# up there; a lock whose program is killed keeps its count; a lock without wrong passwords sends none; ActionInvoked
# sent by another peer of the bus opens nothing.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

TITLE="Desktop status: Locked"
VIEWER="Log Viewer - Gardlock 2001"
UI_BIN="$(dirname "$GARDLOCK_BIN")/gardlock-ui"
if ! command -v dunst >/dev/null || ! command -v dbus-monitor >/dev/null; then
  echo "SKIPPED: needs dunst and dbus (scripts/install-deps.sh)"
  exit 77
fi

start_desktop
start_session_bus
# Notifications stay until acted on or closed, so the action is there to invoke.
printf '[global]\n    font = Monospace 8\n[urgency_normal]\n    timeout = 0\n' >"$E2E_TMP/dunstrc"
dunst -config "$E2E_TMP/dunstrc" >"$E2E_TMP/dunst.log" 2>&1 &
E2E_PIDS+=($!)
service_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.Notifications.GetServerInformation 2>/dev/null | grep dunst >/dev/null
}
check "dunst serves the session bus's notifications" wait_for 20 service_up
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
  >"$E2E_TMP/notify.log" 2>&1 &
E2E_PIDS+=($!)
notifies() { grep -c "member=Notify" "$E2E_TMP/notify.log"; }
notifies_are() { [ "$(notifies)" = "$1" ]; }
# The notices this test's program started, and the Log Viewers its action did.
notice_pids() { pgrep -f -- "^$UI_BIN --intruder-notice"; }
show_log_pids() { pgrep -f -- "^$GARDLOCK_BIN --show-log"; }
no_notice_runs() { [ -z "$(notice_pids)" ]; }
notice_runs() { [ -n "$(notice_pids)" ]; }

set_password "Right"
unlock_after() { # label wrong-password...
  local label=$1; shift
  start_gardlock /d
  check "$label: the Normal lock comes up" wait_for 20 shown_named "$TITLE"
  check "$label: it holds the keyboard" wait_for 20 keyboard_grab_held
  local typed n=$(records)
  for typed in "$@"; do
    xdotool type --delay 40 "$typed"; xdotool key Return
    n=$((n + 1))
    check "$label: \"$typed\" is recorded" wait_for 20 records_are "$n"
  done
  xdotool type --delay 40 Right; xdotool key Return
  await_end "$label"
  check "$label: the right password ends the lock with 0 (got $STATUS)" test "$STATUS" = 0
}

unlock_after two-wrong Wrongone Wrongtwo
check "one Notify after the unlock" wait_for 20 notifies_are 1
sed 's/^/  bus: /' "$E2E_TMP/notify.log"
check "... from \"Gardlock 2001\"" grep -F 'string "Gardlock 2001"' "$E2E_TMP/notify.log"
check "... giving the count" grep -F 'string "2 wrong passwords while the desktop was locked"' "$E2E_TMP/notify.log"
# Typed within a second, the two have one time; else the first and the last.
check "... and their times as the log writes them" \
  grep -E 'string "(All|The first) on [0-9]+/[0-9]+/[0-9]{4} [0-9]+:[0-9]{2}:[0-9]{2} [AP]M' "$E2E_TMP/notify.log"
check "... never the typed text" bash -c "! grep -e Wrongone -e Wrongtwo '$E2E_TMP/notify.log'"
check "... with an action to open the Log Viewer" grep -F 'string "Open the Log Viewer"' "$E2E_TMP/notify.log"
check "the notice waits for its action" wait_for 20 notice_runs
screenshot notice-01-shown

dunstctl action 0
VIEWER_WINDOW=$(wait_for 20 visible_named "$VIEWER")
check "its action opens the Log Viewer" test -n "$VIEWER_WINDOW"
check "... through gardlock --show-log" test -n "$(show_log_pids)"
check "the notice ends with its action" wait_for 20 no_notice_runs
screenshot notice-02-log-viewer
# dunst keeps a notification shown after its action: gone, so that the next is the first.
dunstctl close-all
for pid in $(show_log_pids); do E2E_PIDS+=("$pid"); kill -TERM "$pid"; done
check "the Log Viewer's program ends with its front" wait_for 20 gone_named "$VIEWER"

# A lock brought back after its program was killed keeps its wrong passwords.
start_gardlock /d
check "crash: the Normal lock comes up" wait_for 20 shown_named "$TITLE"
check "crash: it holds the keyboard" wait_for 20 keyboard_grab_held
xdotool type --delay 40 Wrongfour; xdotool key Return
check "crash: a wrong password is recorded" wait_for 20 records_are 3
PROGRAM=$(lock_process)
kill -9 $PROGRAM
check "crash: a new program brings the lock back" wait_for 20 lock_process_replaced "$PROGRAM"
check "crash: ... and shows it" wait_for 20 shown_named "$TITLE"
xdotool type --delay 40 Wrongfive; xdotool key Return
check "crash: its wrong password is recorded" wait_for 20 records_are 4
xdotool type --delay 40 Right; xdotool key Return
await_end crash
check "crash: the right password ends the lock with 0 (got $STATUS)" test "$STATUS" = 0
check "crash: one more Notify" wait_for 20 notifies_are 2
check "... counting the wrong passwords before and after the crash" \
  test "$(grep -cF 'string "2 wrong passwords while the desktop was locked"' "$E2E_TMP/notify.log")" = 2
check "... never the typed text" bash -c "! grep -e Wrongfour -e Wrongfive '$E2E_TMP/notify.log'"
check "crash: its notice waits" wait_for 20 notice_runs

# With the main screen up, the action moves that copy to its Log Viewer
# (the one-copy guard): the copy the action started ends.
"$GARDLOCK_BIN" >"$E2E_TMP/main.out" 2>&1 &
MAIN_PID=$!
E2E_PIDS+=($MAIN_PID)
check "the main screen comes up" wait_for 20 shown_named "Gardlock 2001"
dunstctl action 0
VIEWER_WINDOW=$(wait_for 20 visible_named "$VIEWER")
check "the action shows the Log Viewer" test -n "$VIEWER_WINDOW"
check "... in the main screen's program" test "$(xdotool getwindowpid "$VIEWER_WINDOW")" = "$(pgrep -P "$MAIN_PID" -x gardlock-ui)"
check "... which moved there from its main screen" wait_for 20 gone_named "Gardlock 2001"
no_show_log_runs() { [ -z "$(show_log_pids)" ]; }
check "... and the copy the action started ended" wait_for 20 no_show_log_runs
check "the notice ends with its action" wait_for 20 no_notice_runs
kill -TERM "$MAIN_PID"
check "the main screen's program ends with its front" wait_for 20 gone_named "$VIEWER"

unlock_after no-wrong
unlock_after one-wrong Wrongthree
# Each notice was sent before the next lock began: the lock without wrong
# passwords sent none.
check "three Notify in all: none for the lock without wrong passwords" wait_for 20 notifies_are 3
check "the second gives one wrong password" \
  grep -F 'string "1 wrong password while the desktop was locked"' "$E2E_TMP/notify.log"
check "its notice waits" wait_for 20 notice_runs
# Another peer of the bus claims the action for every notification id.
for id in 1 2 3 4 5; do
  dbus-send --session --type=signal /org/freedesktop/Notifications \
    org.freedesktop.Notifications.ActionInvoked "uint32:$id" string:default
done
dunstctl close-all
check "closed, the notice ends" wait_for 20 no_notice_runs
check "... having opened no Log Viewer for the other peer's signal" bash -c "! pgrep -f -- '^$GARDLOCK_BIN --show-log'"
finish
