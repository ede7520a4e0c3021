#!/bin/bash
# Wrong passwords typed through XTEST as fast as the server takes them, for
# 20 seconds, as a keystroke-injection device would type a list of guesses
# at the Normal lock. The lock checks the first four at once and then waits a
# doubling delay before each further check, so the intruder log may hold only
# a handful of records, however many thousand passwords were typed. While it
# waits the lock says so under its panel, and even the right password is not
# checked.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

TITLE="Desktop status: Locked"
# The wait line is white on black under the panel and the keyboard notes,
# ending at the panel's right edge.
PANEL_RIGHT=$(( (1024 - 134) * 100 / 101 + 134 ))
# How many light pixels (the text is smoothed) a screen rectangle holds (W H X Y).
light_pixels() { import -window root -crop "$1x$2+$3+$4" -depth 8 txt:- 2>/dev/null | grep -c '#[89A-F][0-9A-F][89A-F][0-9A-F][89A-F][0-9A-F]'; }
wait_line_shown() { [ "$(light_pixels 240 12 $((PANEL_RIGHT - 240)) 70)" -gt 20 ]; }
wait_line_hidden() { ! wait_line_shown; }

start_desktop
set_password "Right"
start_gardlock /d
check "the Normal lock is up" wait_for 20 shown_named "$TITLE"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
check "no wait line before a wrong password" wait_line_hidden

Z=$(keycode z); RET=$(keycode Return)
check "the key codes are known" test -n "$Z" -a -n "$RET"
# One guess: "z" and Enter. During a wait the z's gather in the box (it
# holds 15), so the guesses that get checked are z to zzzzzzzzzzzzzzz.
guesses() { local i; for ((i = 0; i < $1; i++)); do printf '+%s -%s +%s -%s ' "$Z" "$Z" "$RET" "$RET"; done; }
BATCH=50
TYPED=0
START=$(now_ms)
while [ $(( $(now_ms) - START )) -lt 20000 ]; do
  # shellcheck disable=SC2046
  "$GARDLOCK_TOOLS/xtestkeys" 0 $(guesses $BATCH) >/dev/null || break
  TYPED=$((TYPED + BATCH))
done
ELAPSED=$(( $(now_ms) - START ))
sleep 0.5
CHECKED=$(records)
echo "# typed $TYPED wrong passwords in $ELAPSED ms; the lock checked and recorded $CHECKED"
cp "$DRIVE_C/intruder.log" "$E2E_OUT/intruder.log" 2>/dev/null
screenshot 01-waiting
check "the injector typed hundreds of passwords ($TYPED)" test "$TYPED" -ge 500
check "the first four and a few more were checked and recorded (not $CHECKED)" test "$CHECKED" -ge 4
check "no more than ten were checked in 20 s (not $CHECKED)" test "$CHECKED" -le 10
check "each checked password is one record of z's" test "$(grep -cE '^z{1,15} On ' "$DRIVE_C/intruder.log")" = "$CHECKED"
check "the lock says that it waits" wait_line_shown
check "... and is still up, holding the keyboard" keyboard_grab_held

# The wait runs until about 31 s after the first guess: the right password
# typed now is not checked either.
xdotool key ctrl+a BackSpace; xdotool type --delay 20 Right; xdotool key Return
sleep 1
check "the right password during the wait does not unlock" gardlock_alive
check "... and is not recorded" records_are "$CHECKED"
# The unlock after the wait is the unit tests' (it would add half a minute
# here); the lock goes with the display.
finish
