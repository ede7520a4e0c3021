#!/bin/bash
# The NT-style lock from outside: the background and the box hold keyboard
# and pointer and hide the task bar; the box hops inside the upper-left
# quarter; Ctrl+Shift+Alt opens "Start Logon" and "&Cancel" brings the box
# back (with the texts read afresh) as often as wanted; a wrong password is
# logged and answered with two messages; close requests and stop signals
# change nothing; the right password removes only "Gardlock.exe /n". Last,
# the display goes away under a lock: the program ends and the lock's
# start-up entry stays, so the next session locks again.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

# The prompt's buttons, in window coordinates (drawn edge 2, caption 18).
CANCEL_AT="232 134"
VERIFY_AT="144 134"
write_texts() { # caption line1 line2 line3
  local i=0 f
  for f in 005478 005578 005678 005778; do
    i=$((i + 1))
    printf '"%s"\r\n' "${!i}" >"$DRIVE_C/$f.ld"
  done
}
box_position() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position:/{print $2}'; }
hopped_into_quarter() { # window, centred position
  local pos x y
  pos=$(box_position "$1") || return 1
  [ -n "$pos" ] && [ "$pos" != "$2" ] || return 1
  x=${pos%,*}; y=${pos#*,}
  [ "$x" -ge 0 ] && [ "$x" -lt 512 ] && [ "$y" -ge 0 ] && [ "$y" -lt 384 ]
}
press_ctrl_shift_alt() {
  xdotool keydown Control_L; xdotool keydown Shift_L; xdotool keydown Alt_L
  xdotool keyup Alt_L; xdotool keyup Shift_L; xdotool keyup Control_L
}
click_in() { xdotool mousemove --window "$1" $2 $3 click 1; }
# Nothing but the box shows on the black: where it hopped from is black again.
only_box_on_black() {
  local geometry pos size
  geometry=$(xdotool getwindowgeometry "$1" 2>/dev/null) || return 1
  pos=$(awk '/Position:/{print $2}' <<<"$geometry"); size=$(awk '/Geometry:/{print $2}' <<<"$geometry")
  import -window root "$E2E_TMP/hop.png" 2>/dev/null || return 1
  [ "$(convert "$E2E_TMP/hop.png" -fill black -draw "rectangle ${pos%,*},${pos#*,} \
    $((${pos%,*} + ${size%x*} - 1)),$((${pos#*,} + ${size#*x} - 1))" -format '%[fx:maxima]' info:)" = 0 ]
}

start_desktop
set_password "Open Sesame"
place_armed_entry w
write_texts "Locked by test" "Line one" "Line two" "Line three"

start_gardlock /e
BOX=$(wait_for 20 visible_named "Locked by test")
check "/e brings up the box with the caption from its file" test -n "$BOX"
check "the black background is up" wait_for 20 shown_named "Background"
check "/e placed Gardlock.exe /n" autostart_has "Gardlock.exe /n"
check "the lock holds the keyboard" wait_for 20 keyboard_grab_held
check "the lock holds the pointer" wait_for 20 pointer_grab_held
check "the task bar is hidden" wait_for 20 taskbar_hidden
check "the box is the top window" wait_for 20 on_top "$BOX"
CENTRED=$(box_position "$BOX")
check "the box opens centred" test "$CENTRED" = "354,315"
check "a framed window raised above the box is pushed back" pushed_back
check "an override-redirect window raised above it is pushed back" pushed_back --override
sleep 0.5; screenshot 01-nt-box
check "the box hops into the upper-left quarter" wait_for 30 hopped_into_quarter "$BOX" "$CENTRED"
check "... leaving only black where it was" wait_for 5 only_box_on_black "$BOX"

xdotool key ctrl+alt+a
sleep 1
check "Ctrl+Alt without Shift keeps the box" shown_named "Locked by test"

ask_to_stop "$BOX" "Locked by test"
check "close requests and signals leave the box up" shown_named "Locked by test"
check "... the program running" gardlock_alive
check "... and the keyboard held" keyboard_grab_held

# Ctrl, then Shift, then Alt opens the prompt; Cancel brings the box back, again and again.
for round in 1 2 3; do
  press_ctrl_shift_alt
  PROMPT=$(wait_for 20 visible_named "Start Logon")
  check "round $round: Ctrl+Shift+Alt opens Start Logon" test -n "$PROMPT"
  check "round $round: the box is gone" wait_for 20 gone_named "Locked by test"
  check "round $round: the prompt holds the keyboard" wait_for 20 keyboard_grab_held
  if [ "$round" = 1 ]; then
    check "a window raised above the prompt is pushed back" pushed_back --override
    sleep 0.5; screenshot 02-nt-prompt
  fi
  write_texts "Round $round" "Line one" "Line two" "Line three"
  click_in "$PROMPT" $CANCEL_AT
  BOX=$(wait_for 20 visible_named "Round $round")
  check "round $round: Cancel brings the box back with the texts read again" test -n "$BOX"
  check "round $round: the prompt is gone" wait_for 20 gone_named "Start Logon"
done
check "the task bar stayed hidden" taskbar_hidden

xdotool key ctrl+shift+alt+x # any key with all three held
PROMPT=$(wait_for 20 visible_named "Start Logon")
check "any key with Ctrl+Shift+Alt opens the prompt" test -n "$PROMPT"
ask_to_stop "$PROMPT" "Start Logon"
check "close requests and signals leave the prompt up" shown_named "Start Logon"
check "... and the program running" gardlock_alive

xdotool type --delay 40 "open sesame"; xdotool key Return
DENIED=$(wait_for 20 visible_named "Access Denied!")
check "a wrong password says \"Access Denied!\"" test -n "$DENIED"
check "... logged once" wait_for 20 records_are 1
check "... with the typed text" record_of "open sesame"
check "the message is in front of the lock" wait_for 20 on_top "$DENIED"
sleep 0.5; screenshot 03-nt-access-denied
xdotool key Return
LOGGED=$(wait_for 20 visible_named "Gardlock 2001")
check "then \"This unauthorized access has been logged.\"" test -n "$LOGGED"
check "the first message is gone" wait_for 20 gone_named "Access Denied!"
sleep 0.5; screenshot 04-nt-logged
xdotool key Return
check "the second message closes" wait_for 20 gone_named "Gardlock 2001"
check "the prompt stays up" shown_named "Start Logon"

xdotool type --delay 40 "Open Sesame"
click_in "$PROMPT" $VERIFY_AT
await_end unlock
check "the right password ends the program with status 0 (got $STATUS)" test "$STATUS" = 0
check "it removed Gardlock.exe /n" autostart_lacks "Gardlock.exe /n"
check "it left Gardlock.exe /w" autostart_has "Gardlock.exe /w"
check "still exactly one record" records_are 1
check "the task bar is back" wait_for 20 taskbar_shown
check "keyboard and pointer are free" wait_for 20 grabs_free

# The display goes away under a lock: nothing that could unlock a later session runs.
start_gardlock /e
check "the lock is up again" wait_for 20 shown_named "Round 3"
check "its start-up entry is in place" autostart_has "Gardlock.exe /n"
kill -9 "${E2E_PIDS[0]}" # the X server
await_end display-gone 30
check "without a display the program ends" test "$STATUS" != still-running
check "... and not as an unlock (status $STATUS)" test "$STATUS" != 0
check "the lock's start-up entry stays for the next session" autostart_has "Gardlock.exe /n"

finish
