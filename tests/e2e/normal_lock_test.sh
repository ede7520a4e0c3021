#!/bin/bash
# The Normal lock from outside: it holds keyboard and pointer and hides the
# task bar; a wrong password is logged once and marked "Invalid!"; close
# requests, stop signals and keys sent with XSendEvent change nothing; the
# right password removes only "Gardlock.exe /d", gives the desktop back and
# ends with status 0. Then the background picture, a path that is no
# picture, and the first "&Verify" without a password file.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

TITLE="Desktop status: Locked"
# "Invalid!" is red on white at the panel's left 600 twips, top 0 (1024 wide screen).
PANEL_LEFT=$(( (1024 - 134) * 100 / 101 ))
invalid_shown() { [ "$(red_pixels 40 10 $((PANEL_LEFT + 40)) 19)" -gt 5 ]; }
invalid_hidden() { ! invalid_shown; }

start_desktop
set_password "Right"
place_armed_entry t

start_gardlock /b
LOCK=$(wait_for 20 visible_named "$TITLE")
check "/b brings up the Normal lock" test -n "$LOCK"
check "/b placed Gardlock.exe /d" autostart_has "Gardlock.exe /d"
check "the lock holds the keyboard" wait_for 20 keyboard_grab_held
check "the lock holds the pointer" wait_for 20 pointer_grab_held
check "the task bar is hidden" wait_for 20 taskbar_hidden
check "the lock is the top window" wait_for 20 on_top "$LOCK"
check "a framed window raised above the lock is pushed back" pushed_back
check "an override-redirect window raised above it is pushed back" pushed_back --override
sleep 0.5; screenshot 01-normal-lock
check "no \"Invalid!\" before a wrong password" invalid_hidden

xdotool type --delay 40 right; xdotool key Return # letter case counts
check "a wrong password gives one record" wait_for 20 records_are 1
check "the record holds the typed text and the date" record_of right
check "\"Invalid!\" shows" wait_for 20 invalid_shown
screenshot 02-normal-invalid

ask_to_stop "$LOCK" "$TITLE"
check "close requests and SIGTERM/SIGINT/SIGHUP leave the program running" gardlock_alive
check "... and the lock on screen" shown_named "$TITLE"
check "... holding the keyboard" keyboard_grab_held
check "... with the task bar hidden" taskbar_hidden
check "... and Gardlock.exe /d in place" autostart_has "Gardlock.exe /d"

# Keys another client sends to the lock's window with XSendEvent type
# nothing: the right password and Return that way neither unlock nor leave
# anything in the box for the keys typed next.
SHIFT=1
check "the right password and Return are sent to the lock's window" "$GARDLOCK_TOOLS/sendkeys" "$LOCK" \
  "$(keycode R)/$SHIFT" "$(keycode i)" "$(keycode g)" "$(keycode h)" "$(keycode t)" "$(keycode Return)"
sleep 1 # time for a wrong outcome to happen
check "keys sent to the lock's window do not unlock it" gardlock_alive
check "... and record nothing" records_are 1

xdotool type --delay 40 Right; xdotool key Return
await_end first
check "the right password ends the program with status 0 (got $STATUS)" test "$STATUS" = 0
check "it removed Gardlock.exe /d" autostart_lacks "Gardlock.exe /d"
check "it left Gardlock.exe /t" autostart_has "Gardlock.exe /t"
check "still exactly one record" records_are 1
check "the task bar is back" wait_for 20 taskbar_shown
check "keyboard and pointer are free" wait_for 20 grabs_free

# A picture background fills the screen; "/t" places no entry of its own.
convert -size 64x48 xc:'#00A000' "$E2E_TMP/green.png"
set_setting Background1 "$E2E_TMP/green.png"
rm -f "$AUTOSTART"/gardlock-services-Gardlock.exe_20_2Fd.desktop
start_gardlock /t
check "/t brings up the Normal lock" wait_for 20 shown_named "$TITLE"
check "the picture covers the screen" wait_for 20 pixel_is 512 400 "#00A000"
check "... corner to corner" pixel_is 3 760 "#00A000"
screenshot 03-normal-picture
check "/t placed no Gardlock.exe /d" autostart_lacks "Gardlock.exe /d"
xdotool type --delay 40 Right; xdotool key Return
await_end picture
check "unlocked again with status 0 (got $STATUS)" test "$STATUS" = 0
check "Gardlock.exe /t stays armed" autostart_has "Gardlock.exe /t"

# A path that is not a picture: plain black. No password file: the first
# "&Verify" creates the empty password and keeps the lock; then an empty box unlocks.
printf 'not a picture' >"$E2E_TMP/notes.png"
set_setting Background1 "$E2E_TMP/notes.png"
rm -f "$DRIVE_C/cslckrt.sys"
start_gardlock /d
check "/d brings up the Normal lock" wait_for 20 shown_named "$TITLE"
check "the screen is black where the picture would be" wait_for 20 pixel_is 512 400 "#000000"
screenshot 04-normal-no-picture
xdotool type --delay 40 guess; xdotool key Return
check "the first Verify writes the empty password" wait_for 20 bash -c "[ \"\$(cat '$DRIVE_C/cslckrt.sys' 2>/dev/null)\" = \$'\"\"\\r' ]"
sleep 1
check "... and the lock stays" gardlock_alive
check "... with nothing recorded" records_are 1
xdotool key ctrl+a BackSpace
sleep 0.5; screenshot 05-normal-emptied
xdotool key Return
await_end no-password
check "an empty box now unlocks with status 0 (got $STATUS)" test "$STATUS" = 0

finish
