#!/bin/bash
# Keys injected through XTEST 1 ms apart, as a keystroke-injection device
# types them, across every state change of both locks for many rounds: the
# NT-style box -> prompt -> "Access Denied!" -> "Gardlock 2001" -> prompt ->
# Cancel -> box, and the Normal lock's wrong passwords. A program of the
# user's has the input focus under the lock and global key grabs (a window
# manager's shortcut, Ctrl+Alt+T among them); it must not receive one event.
# Last, a lock that comes up while another program holds the keyboard says
# so on its screen until it has it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

witness_events() { grep -c '^event' "$E2E_TMP/witness.out"; }
focus_ins() { grep -c '^focus-in' "$E2E_TMP/witness.out"; }

start_desktop
set_password "Open Sesame"
Q=$(keycode q); T=$(keycode t); Z=$(keycode z); C=$(keycode c)
RET=$(keycode Return); CTRL=$(keycode Control_L); SHIFT=$(keycode Shift_L); ALT=$(keycode Alt_L)
check "the key codes are known" test -n "$Q" -a -n "$T" -a -n "$Z" -a -n "$C" -a -n "$RET" -a -n "$CTRL" -a -n "$SHIFT" -a -n "$ALT"

"$GARDLOCK_TOOLS/keywitness" "$Q" "$T" >"$E2E_TMP/witness.out" 2>&1 &
E2E_PIDS+=($!)
check "the witness is up, focused and grabbing" wait_for 10 grep -qx ready "$E2E_TMP/witness.out"
xdotool key q
check "unlocked, the witness hears a key" wait_for 5 test "$(witness_events)" -gt 0

# N presses of q, 1 ms apart: each lands in whatever state the lock is in.
probes() { local i; for ((i = 0; i < $1; i++)); do printf '+%s -%s ' "$Q" "$Q"; done; }
# Ctrl+Alt+T: the shortcut a window manager opens a terminal with.
shortcut() { printf '+%s +%s +%s -%s -%s -%s ' "$CTRL" "$ALT" "$T" "$T" "$ALT" "$CTRL"; }
nt_round() {
  printf '+%s +%s +%s -%s -%s -%s ' "$CTRL" "$SHIFT" "$ALT" "$ALT" "$SHIFT" "$CTRL" # box -> prompt
  probes 40; shortcut
  printf '+%s -%s +%s -%s ' "$Z" "$Z" "$RET" "$RET" # a wrong password -> "Access Denied!"
  probes 60; shortcut
  printf '+%s -%s ' "$RET" "$RET" # -> "Gardlock 2001"
  probes 60; shortcut
  printf '+%s -%s ' "$RET" "$RET" # -> the prompt again
  probes 40; shortcut
  printf '+%s +%s -%s -%s ' "$ALT" "$C" "$C" "$ALT" # "&Cancel" -> the box
  probes 40; shortcut
}

# Brings an NT-style lock in whatever state to the prompt and types the
# password, again while the wait after the rounds' wrong passwords still holds
# the check back (up to half a minute).
unlock_nt() {
  local i
  for i in $(seq 1 80); do
    if shown_named "Access Denied!" || shown_named "Gardlock 2001"; then xdotool key Return
    elif shown_named "Start Logon"; then
      xdotool key ctrl+a BackSpace; xdotool type --delay 20 "Open Sesame"; xdotool key Return
      wait_for 2 gone_named "Start Logon" >/dev/null && return
    elif shown_named "System Locked"; then xdotool key ctrl+shift+alt
    fi
    sleep 0.5
  done
}
# The same for the Normal lock.
unlock_normal() {
  local i
  for i in $(seq 1 30); do
    xdotool key ctrl+a BackSpace; xdotool type --delay 20 "Open Sesame"; xdotool key Return
    wait_for 2 gone_named "Desktop status: Locked" >/dev/null && return
  done
}

# --- the NT-style lock -------------------------------------------------------
BEFORE=$(witness_events)
start_gardlock /n
check "the NT-style box is up" wait_for 20 shown_named "System Locked"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
RECORDS=$(records)
FOCUS_BEFORE=$(focus_ins)
ROUNDS=25
INJECTED=0
for round in $(seq 1 $ROUNDS); do
  # shellcheck disable=SC2046
  "$GARDLOCK_TOOLS/xtestkeys" 1000 $(nt_round) >/dev/null && INJECTED=$((INJECTED + 1))
done
check "the server took every injected key" test "$INJECTED" = "$ROUNDS"
sleep 1
screenshot 01-after-nt-rounds
# After four wrong passwords in a row the lock waits before each further
# check, so only some rounds reach the messages; the others cycle box and prompt.
check "the rounds went through the prompt and both messages" test $(($(records) - RECORDS)) -ge 4
check "not one key of the NT-style rounds reached the witness" test "$(witness_events)" = "$BEFORE"
check "the focus never fell to the witness's window under the lock" test "$(focus_ins)" = "$FOCUS_BEFORE"
check "the lock still holds the keyboard" keyboard_grab_held
unlock_nt
await_end nt
check "the right password ends the NT-style lock with status 0" test "$STATUS" = 0

# --- the Normal lock ---------------------------------------------------------
BEFORE=$(witness_events)
start_gardlock /d
check "the Normal lock is up" wait_for 20 shown_named "Desktop status: Locked"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
RECORDS=$(records)
INJECTED=0
for round in $(seq 1 10); do
  # shellcheck disable=SC2046
  "$GARDLOCK_TOOLS/xtestkeys" 1000 $(printf '+%s -%s +%s -%s ' "$Z" "$Z" "$RET" "$RET") $(probes 50) $(shortcut) \
    >/dev/null && INJECTED=$((INJECTED + 1))
done
check "the server took every injected key" test "$INJECTED" = 10
sleep 1
check "the Normal lock logged the wrong passwords" test $(($(records) - RECORDS)) -ge 4
check "not one key of the Normal lock's rounds reached the witness" test "$(witness_events)" = "$BEFORE"
unlock_normal
await_end normal
check "the right password ends the Normal lock with status 0" test "$STATUS" = 0

xdotool key q
check "unlocked again, the witness hears keys" wait_for 5 test "$(witness_events)" -gt "$BEFORE"

# --- Another program holds the keyboard when a lock comes up ------------------
# The lock says on its own screen that it is not locked yet, keeps trying, and
# takes the keyboard as soon as it is let go.
"$GARDLOCK_TOOLS/grabprobe" hold 2500 >"$E2E_TMP/hold.out" &
E2E_PIDS+=($!)
wait_for 5 grep -q '^held' "$E2E_TMP/hold.out" >/dev/null
start_gardlock /d
check "the lock comes up" wait_for 20 shown_named "Desktop status: Locked"
check "it says it is not locked while the other program holds the keyboard" wait_for 5 pixel_is 10 10 "#800000"
screenshot 02-not-held-notice
check "it takes the keyboard once the other program lets go" wait_for 10 grep -q '^released' "$E2E_TMP/hold.out"
check "and holds it" wait_for 2 keyboard_grab_held
check "the notice goes once the keyboard is held" wait_for 2 pixel_is 10 10 "#000000"
xdotool type --delay 20 "Open Sesame"; xdotool key Return
await_end held-late
check "the right password ends it with status 0" test "$STATUS" = 0
finish
