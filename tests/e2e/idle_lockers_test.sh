#!/bin/bash
# The lock as idle and suspend lockers use it. The front holds the keyboard
# and covers the screen before the program starts, so a password typed at
# once is not lost and reaches no other window. xautolock firing twice
# brings up one lock, which needs the password once. A sleep-lock descriptor
# (xss-lock's XSS_SLEEP_LOCK_FD) is closed only once the keyboard is held,
# and never passed to the program. A lock asked for while one is up ends at
# once with status 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

# The program processes on this test's display (other tests may run elsewhere).
ui_pids() { local p; for p in $(pgrep -x gardlock-ui); do
  grep -qaz "^DISPLAY=$DISPLAY\$" /proc/"$p"/environ 2>/dev/null && echo "$p"; done; }
ui_count() { ui_pids | wc -l; }
no_ui() { [ "$(ui_count)" = 0 ]; }
one_ui() { [ "$(ui_count)" = 1 ]; }
# Presses only: the release of the Return that ended the lock may come once
# the lock is gone, and lands on the window that has the focus again.
witness_events() { grep -c '^event key-press' "$E2E_TMP/witness.out"; }

start_desktop
set_password "sesame"
KEYS=()
for k in s e s a m e Return; do KEYS+=("$(keycode "$k")"); done
check "the key codes are known" test "${#KEYS[@]}" = 7 -a -n "${KEYS[6]}"
typed() { local k; for k in "${KEYS[@]}"; do printf '+%s -%s ' "$k" "$k"; done; }

"$GARDLOCK_TOOLS/keywitness" "${KEYS[0]}" >"$E2E_TMP/witness.out" 2>&1 &
E2E_PIDS+=($!)
check "a witness window has the focus" wait_for 10 grep -qx ready "$E2E_TMP/witness.out"

# --- a password typed at once --------------------------------------------------
BEFORE=$(witness_events)
start_gardlock /d
check "the front holds the keyboard at once" wait_for 5 keyboard_grab_held
# shellcheck disable=SC2046
check "the password is typed while the lock still starts" "$GARDLOCK_TOOLS/xtestkeys" 2000 $(typed)
await_end early 30
screenshot early-end
rm -f "$E2E_OUT/intruder-early.log"; cp "$DRIVE_C/intruder.log" "$E2E_OUT/intruder-early.log" 2>/dev/null
check "the early password ended the lock with status 0" test "$STATUS" = 0
check "no wrong password was logged" records_are 0
cp "$E2E_TMP/witness.out" "$E2E_OUT/witness-early.out" 2>/dev/null
check "no key press reached the window under the lock" test "$(witness_events)" = "$BEFORE"
check "the grabs are free again" grabs_free

# --- xautolock -------------------------------------------------------------------
# /b: the lock places its restart entry, which must start the front again.
xautolock -time 1 -locker "$GARDLOCK_BIN /b" -nowlocker "$GARDLOCK_BIN /b" >"$E2E_TMP/xautolock.out" 2>&1 &
XAUTOLOCK=$!
E2E_PIDS+=($XAUTOLOCK)
# -locknow fails until xautolock has put its mark on the root window, and a
# request that comes just after that, while xautolock still sets up, can be
# lost: it is asked again until the lock is up.
lock_now_shown() { xautolock -locknow && wait_for 3 shown_named "Desktop status: Locked"; }
check "xautolock brings up the lock" wait_for 30 lock_now_shown
check "the lock holds the keyboard" wait_for 10 keyboard_grab_held
check "its restart entry starts the front, not the program behind it" \
  grep -qx "Exec=$(readlink -f "$GARDLOCK_BIN") /d" "$AUTOSTART"/*.desktop
# xautolock waits for its locker, so the second firing comes from a second
# xautolock-started lock as a user's second locker would: straight from the command.
"$GARDLOCK_BIN" /d >"$E2E_TMP/second.out" 2>&1 &
SECOND=$!
for _ in $(seq 1 100); do kill -0 "$SECOND" 2>/dev/null || break; sleep 0.05; done
wait "$SECOND"; SECOND_STATUS=$?
check "a second lock on the same display ends at once with status 0" test "$SECOND_STATUS" = 0
check "it says a lock is already up" grep -q 'already up' "$E2E_TMP/second.out"
xautolock -locknow
sleep 2
check "firing twice still shows one lock" one_ui
xdotool type --delay 30 "sesame"; xdotool key Return
check "the password once ends it" wait_for 20 no_ui
check "the grabs are free after the one unlock" wait_for 10 grabs_free
check "the restart entry is gone" autostart_lacks "Gardlock.exe /d"
check "no wrong password was logged" records_are 0
kill "$XAUTOLOCK" 2>/dev/null

# --- xss-lock's sleep-lock descriptor ----------------------------------------------
"$GARDLOCK_TOOLS/sleeplock" "$GARDLOCK_BIN" /n >"$E2E_TMP/sleeplock.out" 2>&1 &
SLEEPLOCK=$!
E2E_PIDS+=($SLEEPLOCK)
check "the descriptor is closed" wait_for 20 grep -q '^closed' "$E2E_TMP/sleeplock.out"
check "the keyboard was already held when it closed" grep -qx 'closed AlreadyGrabbed' "$E2E_TMP/sleeplock.out"
check "the NT-style lock comes up" wait_for 20 shown_named "System Locked"
UI=$(ui_pids | head -1)
PIPE=$(awk '$1 == "pipe" {print $2}' "$E2E_TMP/sleeplock.out")
check "the program runs" test -n "$UI" -a -n "$PIPE"
check "the program does not hold the descriptor" \
  bash -c "! ls -l /proc/$UI/fd 2>/dev/null | grep -qF '$PIPE' && ! grep -qa XSS_SLEEP_LOCK_FD /proc/$UI/environ"
check "the lock still runs after the close" test -z "$(grep '^exit' "$E2E_TMP/sleeplock.out")"
xdotool keydown Control_L keydown Shift_L keydown Alt_L keyup Alt_L keyup Shift_L keyup Control_L
check "the prompt comes up" wait_for 20 shown_named "Start Logon"
xdotool type --delay 30 "sesame"; xdotool key Return
check "the lock ends with status 0" wait_for 20 grep -qx 'exit 0' "$E2E_TMP/sleeplock.out"

# A second lock while one is up closes its descriptor too: the machine may sleep, it is locked.
start_gardlock /d
check "a lock is up again" wait_for 20 shown_named "Desktop status: Locked"
"$GARDLOCK_TOOLS/sleeplock" "$GARDLOCK_BIN" /d >"$E2E_TMP/sleeplock2.out" 2>&1
check "a second lock's descriptor closes while the first holds the keyboard" \
  grep -qx 'closed AlreadyGrabbed' "$E2E_TMP/sleeplock2.out"
check "and it ends with status 0" grep -qx 'exit 0' "$E2E_TMP/sleeplock2.out"
xdotool type --delay 30 "sesame"; xdotool key Return
await_end last 20
check "the first lock ends with status 0" test "$STATUS" = 0
finish
