#!/bin/bash
# The program ends when the last thing it shows goes away: "&OK" on the About
# screen opened alone leaves no process; a screen hidden to the tray keeps it.
source "$(dirname "$0")/lib.sh"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
gone() { ! kill -0 "$1" 2>/dev/null; }

start_desktop

start_gardlock /a
ABOUT=$(wait_for 20 visible_window "About\\.\\.\\.")
check "/a shows the About screen" test -n "$ABOUT"
CHILD=$(pgrep -P "$GARDLOCK_PID")
check "the program runs under its supervisor" test -n "$CHILD"
xdotool mousemove --window "$ABOUT" 355 296 click 1 # "&OK"
wait_exit 10
check "\"&OK\" ends the program with status 0" test "$STATUS" = 0
check "the program process is gone too" wait_for 5 gone "$CHILD"

# Hidden to the tray: the icon keeps the program.
start_gardlock
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
check "the main screen comes up" test -n "$MAIN"
xdotool mousemove --window "$MAIN" 580 11 click 1 # "Minimize to tray"
check "the main screen hides" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Gardlock 2001\$' | grep -q ."
sleep 2
check "the tray icon keeps the program running" kill -0 "$GARDLOCK_PID"
finish
