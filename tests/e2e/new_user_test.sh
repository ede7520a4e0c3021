#!/bin/bash
# The whole path of a new user: no password file, "Start", set a password,
# Protection Modes, "&Normal", a wrong and then the right password; the
# program ends and the task bar is back. Screenshots of every screen on the
# way go to $E2E_OUT.
source "$(dirname "$0")/lib.sh"

PASSWORD=Gard1ock

# The visible window with this exact title.
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
# Clicks at a point inside a window's client area.
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
autostart_has() { grep -lsx "X-Gardlock-Command=$1" "$AUTOSTART"/*.desktop >/dev/null; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
window_gone() { ! visible_window "$1" >/dev/null; }
file_is() { [ "$(cat "$1" 2>/dev/null)" = "$(printf '%s\r' "$2")" ]; }
# icewm's task bar window itself: viewable only while it and its frames are mapped.
taskbar_window() { xwininfo -root -tree 2>/dev/null | awk '!f && /\("icewm" "TaskBar"\)/{print $1; f = 1}' | grep .; }
taskbar_shown() { local w; w=$(taskbar_window) && is_viewable "$w"; }

start_desktop
check "no password file at the start" test ! -e "$DRIVE_C/cslckrt.sys"
start_gardlock
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
check "the main screen comes up" test -n "$MAIN"
check "the task bar shows before any lock" taskbar_shown
sleep 0.5; screenshot 01-main

# A second copy brings the first forward and ends.
"$GARDLOCK_BIN" >/dev/null 2>&1 &
SECOND=$!
check "a second copy ends by itself" wait_for 20 bash -c "! kill -0 $SECOND 2>/dev/null"
check "the first copy still runs" kill -0 "$GARDLOCK_PID"

# "Start": the first-run form and the welcome.
click_in "$MAIN" 60 300
PASSWORD_WIN=$(wait_for 20 visible_window "Password Settings - Gardlock 2001")
WELCOME=$(wait_for 20 visible_window "Welcome to Gardlock 2001")
check "Start opens Password Settings" test -n "$PASSWORD_WIN"
check "Start shows the welcome window" test -n "$WELCOME"
check "the main screen is hidden" wait_for 10 window_gone "Gardlock 2001"
sleep 0.5; screenshot 02-welcome
click_in "$WELCOME" 343 15 # its "X"
check "X closes the welcome window" wait_for 10 window_gone "Welcome to Gardlock 2001"
sleep 0.3; screenshot 03-password-first-run

# Set the password: SET, CONFIRM, Enter.
click_in "$PASSWORD_WIN" 380 184
check "Password Settings has the focus" wait_for 10 is_active "$PASSWORD_WIN"
xdotool type --delay 30 "$PASSWORD"; xdotool key Tab
xdotool type --delay 30 "$PASSWORD"; sleep 0.3; xdotool key Return
PROTECTION=$(wait_for 20 visible_window "System Protection - Gardlock 2001")
check "Apply leads to Protection Modes" test -n "$PROTECTION"
check "the password is stored" file_is "$DRIVE_C/cslckrt.sys" "\"$PASSWORD\""
check "Password Settings has gone" window_gone "Password Settings - Gardlock 2001"

# Hover help, the start-up choice and one frame, for the record.
xdotool mousemove --window "$PROTECTION" 200 176; sleep 0.3
xdotool mousemove --window "$PROTECTION" 330 196; sleep 0.3
click_in "$PROTECTION" 320 217; sleep 0.3
xdotool mousemove --window "$PROTECTION" 390 262; sleep 0.5
screenshot 04-protection-startup
xdotool mousemove --window "$PROTECTION" 200 123; sleep 0.5
screenshot 05-protection-normal

# "&Normal": the lock comes up and places its start-up entry.
click_in "$PROTECTION" 200 123
LOCK=$(wait_for 20 visible_window "Desktop status: Locked")
check "the Normal lock comes up" test -n "$LOCK"
check "the lock's start-up entry is placed" autostart_has "Gardlock.exe /d"
check "the lock covers the whole screen" bash -c "xwininfo -id $LOCK | grep -q 'geometry 1024x768+0+0'"
sleep 1; screenshot 06-normal-lock

xdotool type --delay 30 "wrong"; xdotool key Return
check "a wrong password is logged" wait_for 10 grep -q "^wrong On " "$DRIVE_C/intruder.log"
check "the lock stays after a wrong password" kill -0 "$GARDLOCK_PID"
sleep 0.5; screenshot 07-normal-lock-wrong

xdotool type --delay 30 "$PASSWORD"; xdotool key Return
wait_exit 20
check "the right password ends the program" test "$STATUS" = 0
check "the task bar is back" wait_for 10 taskbar_shown
check "the lock's start-up entry is removed" bash -c "! grep -lsx 'X-Gardlock-Command=Gardlock.exe /d' $AUTOSTART/*.desktop"
screenshot 08-after-unlock
finish
