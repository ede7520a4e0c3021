#!/bin/bash
# Faults while a lock starts, under the front that covered the screen for it:
# a lock process killed before it ever reported comes back (both locks); a
# lock that hangs while loading is killed and started again; with another
# client holding the pointer, the sleep-lock descriptor stays open and the
# cover stays up until the lock holds keyboard and pointer both; thousands of
# keys typed while a crashed lock comes back do not keep it from taking over,
# and a password typed across the relaunch arrives whole and unlocks.
# Each case ends with the right password and status 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

ulimit -c 0
NORMAL="Desktop status: Locked"
NT="Background"

window_of() { local w; w=$(visible_named "$1") && [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$2" ]; }
gone_process() { ! kill -0 "$1" 2>/dev/null; }
# A real process id: kill 0 or kill "" would reach this script's own group.
is_pid() { [[ "${1:-}" =~ ^[1-9][0-9]*$ ]]; }
# The child the moment it exists, polled without pauses (at most $1 seconds).
first_child() {
  local deadline=$(( $(date +%s) + $1 )) p
  while [ "$(date +%s)" -le "$deadline" ]; do
    p=$(pgrep -P "$GARDLOCK_PID" | head -1) && is_pid "$p" && { echo "$p"; return 0; }
  done
  return 1
}
# The front's cover: a black override-redirect window far larger than any
# screen, mapped.
cover_shown() {
  local w
  for w in $(xwininfo -root -children 2>/dev/null | awk '$1 ~ /^0x/ && /32767x32767/ {print $1}'); do
    is_viewable "$w" && return 0
  done
  return 1
}
no_cover() { ! cover_shown; }
type_password() { # switch text
  if [ "$1" = /n ]; then
    xdotool keydown Control_L keydown Shift_L keydown Alt_L keyup Alt_L keyup Shift_L keyup Control_L
    wait_for 20 shown_named "Start Logon" >/dev/null
  fi
  xdotool type --delay 30 "$2"; xdotool key Return
}
end_with_password() { # label switch
  type_password "$2" Right
  await_end "$1"
  check "$1: the right password ends the program with status 0 (got $STATUS)" test "$STATUS" = 0
  check "$1: keyboard and pointer are free" wait_for 20 grabs_free
}

start_desktop
set_password "Right"

# --- a. killed before its first report -------------------------------------------
early_death() { # switch title
  local sw=$1 title=$2 label="$1 killed at start" child relaunched
  start_gardlock "$sw"
  child=$(first_child 10)
  if ! is_pid "$child"; then
    check "$label: the lock's process appears" false
    return
  fi
  # Stopped first, so that what is seen is how it was when killed (the lock
  # brought back next may be up by the time a look after the kill is taken).
  kill -STOP "$child"
  check "$label: ... the lock had not shown itself yet" gone_named "$title"
  kill -9 "$child"
  check "$label: the keyboard stays held" keyboard_grab_held
  check "$label: the started process lives on" gardlock_alive
  relaunched=$(wait_for 20 other_lock_process "$child")
  check "$label: the lock comes back in a new process" is_pid "$relaunched"
  check "$label: its window is shown" wait_for 20 window_of "$title" "$relaunched"
  check "$label: it holds the keyboard" wait_for 20 keyboard_grab_held
  check "$label: ... and the pointer" wait_for 20 pointer_grab_held
  end_with_password "${sw#/}-early" "$sw"
}
early_death /d "$NORMAL"
early_death /n "$NT"

# --- b. a lock that hangs while loading ----------------------------------------------
start_gardlock /d
HUNG=$(first_child 10)
if is_pid "$HUNG"; then
  kill -STOP "$HUNG"
  sleep 2
  check "hung: the keyboard is held while it hangs" keyboard_grab_held
  check "hung: ... the cover is up" cover_shown
  AGAIN=$(wait_for 12 other_lock_process "$HUNG")
  check "hung: a new lock process starts within the wait" is_pid "$AGAIN"
  check "hung: the stopped one was killed" wait_for 5 gone_process "$HUNG"
  is_pid "$AGAIN" && check "hung: the new one shows the lock" wait_for 20 window_of "$NORMAL" "$AGAIN"
  check "hung: it holds the keyboard" wait_for 20 keyboard_grab_held
  check "hung: ... and the pointer" wait_for 20 pointer_grab_held
  cp "$E2E_TMP/gardlock.out" "$E2E_OUT/gardlock-hung-before-end.out" 2>/dev/null
  check "hung: the front says why it started it again" grep -q 'did not come up within' "$E2E_TMP/gardlock.out"
  end_with_password hung /d
else
  check "hung: the lock's process appears" false
fi

# --- c. another client holds the pointer during the start ------------------------------
"$GARDLOCK_TOOLS/pointerhold" >"$E2E_TMP/pointerhold.out" 2>&1 &
HOLDER=$!
E2E_PIDS+=($HOLDER)
check "pointer held: another client holds the pointer" wait_for 10 grep -qx held "$E2E_TMP/pointerhold.out"
"$GARDLOCK_TOOLS/sleeplock" "$GARDLOCK_BIN" /d >"$E2E_TMP/sleeplock.out" 2>&1 &
E2E_PIDS+=($!)
check "pointer held: the lock is shown" wait_for 20 shown_named "$NORMAL"
sleep 1.5 # give a wrong close time to happen
check "pointer held: the sleep-lock descriptor stays open" bash -c "! grep -q '^closed' '$E2E_TMP/sleeplock.out'"
check "pointer held: the cover stays up" cover_shown
check "pointer held: the keyboard is held" keyboard_grab_held
check "pointer held: the holder still has the pointer" kill -0 "$HOLDER"
is_pid "$HOLDER" && { kill -9 "$HOLDER"; wait "$HOLDER"; } 2>/dev/null
check "released: the descriptor closes" wait_for 10 grep -q '^closed' "$E2E_TMP/sleeplock.out"
check "released: ... with the keyboard held" grep -qx 'closed AlreadyGrabbed' "$E2E_TMP/sleeplock.out"
check "released: the lock holds the keyboard" wait_for 10 keyboard_grab_held
check "released: ... and the pointer" wait_for 10 pointer_grab_held
check "released: the cover is down" wait_for 10 no_cover
type_password /d Right
check "released: the right password ends the lock with status 0" wait_for 20 grep -qx 'exit 0' "$E2E_TMP/sleeplock.out"
cp "$E2E_TMP/sleeplock.out" "$E2E_OUT/sleeplock-pointer-held.out" 2>/dev/null
check "released: keyboard and pointer are free" wait_for 20 grabs_free

# --- d. a burst of keys while a crashed lock comes back -------------------------------
KEY_A=$(xmodmap -pke | awk '$4 == "a" {print $2; exit}')
check "burst: the key code of a is known" is_pid "$KEY_A"
BURST=()
for _ in $(seq 1 3000); do BURST+=("+$KEY_A" "-$KEY_A"); done
start_gardlock /d
wait_for 20 shown_named "$NORMAL" >/dev/null
wait_for 20 keyboard_grab_held >/dev/null
wait_for 20 pointer_grab_held >/dev/null
SHOWN=$(wait_for 5 lock_process)
if is_pid "$SHOWN"; then
  BEFORE=$(records)
  kill -9 "$SHOWN"
  check "burst: 3000 keys go out while the lock comes back" "$GARDLOCK_TOOLS/xtestkeys" 0 "${BURST[@]}"
  BACK=$(wait_for 20 other_lock_process "$SHOWN")
  check "burst: the lock comes back in a new process" is_pid "$BACK"
  check "burst: its window is shown" wait_for 20 window_of "$NORMAL" "$BACK"
  check "burst: it holds the keyboard" wait_for 20 keyboard_grab_held
  check "burst: ... and the pointer" wait_for 20 pointer_grab_held
  check "burst: the cover is down" wait_for 20 no_cover
  check "burst: the keys submitted nothing" records_are "$BEFORE"
  sleep 0.5
  xdotool key ctrl+a; xdotool key BackSpace
  end_with_password burst /d
else
  check "burst: the lock runs in a child of the started process" false
fi

# --- e. the password typed while a crashed lock comes back ------------------------------
# Whatever the front catches meanwhile reaches the new lock in its order, so
# the password typed across the relaunch unlocks.
SHIFT=$(keycode Shift_L)
RIGHT=("+$SHIFT" "+$(keycode r)" "-$(keycode r)" "-$SHIFT")
for k in i g h t Return; do RIGHT+=("+$(keycode "$k")" "-$(keycode "$k")"); done
start_gardlock /d
wait_for 20 shown_named "$NORMAL" >/dev/null
wait_for 20 keyboard_grab_held >/dev/null
SHOWN=$(wait_for 5 lock_process)
if is_pid "$SHOWN"; then
  BEFORE=$(records)
  kill -9 "$SHOWN"
  # From the moment the front holds the keyboard again, 10 ms a key event.
  check "across: the front holds the keyboard" wait_for 2 keyboard_grab_held
  check "across: the password goes out while the lock comes back" "$GARDLOCK_TOOLS/xtestkeys" 10000 "${RIGHT[@]}"
  await_end across-relaunch
  check "across: it ends the program with status 0 (got $STATUS)" test "$STATUS" = 0
  check "across: nothing was recorded" records_are "$BEFORE"
  check "across: keyboard and pointer are free" wait_for 20 grabs_free
else
  check "across: the lock runs in a child of the started process" false
fi

finish
