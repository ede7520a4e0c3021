#!/bin/bash
# A walk through every navigation screen with a password already set, by
# their links, with a screenshot of each for a look at the layouts.
source "$(dirname "$0")/lib.sh"

# The visible window whose title matches this pattern (a regular expression) whole.
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
gone() { ! visible_window "$1" >/dev/null; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Navigation-bar links, by their place in the strip.
NAV_Y=11 NAV_HOME=24 NAV_VIEWLOG=172 NAV_PROTECT=268

start_desktop
mkdir -p "$DRIVE_C"; printf '"pw"\r\n' > "$DRIVE_C/cslckrt.sys"
# The update check reads a local download folder that holds our own version.
mkdir -p "$E2E_TMP/files"; printf '2.0' > "$E2E_TMP/files/application.ver"
printf '[Web]\nDownloadFolder=file://%s/files/\n' "$E2E_TMP" > "$XDG_CONFIG_HOME/DW2001.conf"
start_gardlock
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
check "the main screen comes up" test -n "$MAIN"

click_in "$MAIN" 60 156 # "Password Settings"
PASS=$(wait_for 20 visible_window "Password Settings - Gardlock 2001")
check "Password Settings opens" test -n "$PASS"
check "the main screen hides" wait_for 10 gone "Gardlock 2001"
sleep 0.5; screenshot 01-password-settings

click_in "$PASS" 426 270 # "&Cancel"
check "Cancel leaves Password Settings" wait_for 10 bash -c "! xwininfo -id $PASS | grep -q IsViewable"
CANCELLED=$(wait_for 20 visible_window "Password Settings - Gardlock 2001")
check "the cancelled page shows" test -n "$CANCELLED" -a "$CANCELLED" != "$PASS"
sleep 0.5; screenshot 02-password-cancelled

click_in "$CANCELLED" $NAV_VIEWLOG $NAV_Y
LOG=$(wait_for 20 visible_window "Log Viewer - Gardlock 2001")
check "View log opens the Log Viewer" test -n "$LOG"
sleep 0.5; screenshot 03-log-viewer

click_in "$LOG" $NAV_PROTECT $NAV_Y
PROT=$(wait_for 20 visible_window "System Protection - Gardlock 2001")
check "Protect Desktop opens Protection Modes" test -n "$PROT"
xdotool mousemove --window "$PROT" 200 176; sleep 0.3 # "St&artup Lock"
xdotool mousemove --window "$PROT" 330 196; sleep 0.3
click_in "$PROT" 406 216; sleep 0.3                   # choice "NT Style"
xdotool mousemove --window "$PROT" 390 298; sleep 0.5 # "Disa&ble NT Startup Lock"
screenshot 04-protection-nt-frame

click_in "$PROT" 33 387 # information icon
INFO=$(wait_for 20 visible_window "Did you know\\?")
check "the information icon opens its note" test -n "$INFO"
sleep 0.5; screenshot 05-information
click_in "$INFO" 343 15
check "X closes it" wait_for 10 gone "Did you know\\?"

click_in "$PROT" 208 244 # "&Request"
REQ=$(wait_for 20 visible_window "\\[\\.\\.\\.\\]")
check "Request opens the request window" test -n "$REQ"
sleep 0.5; screenshot 06-request
click_in "$REQ" 408 270 # its "&Cancel"
check "Cancel closes the request window" wait_for 10 bash -c "! xwininfo -id $REQ 2>/dev/null | grep -q IsViewable"

click_in "$PROT" $NAV_HOME $NAV_Y
check "Home brings the main screen back" wait_for 20 visible_window "Gardlock 2001"
click_in "$MAIN" 300 252 # "Click me to check for updates."
UPDATE=$(wait_for 20 visible_window "Corvane Technologies Online")
check "the update line opens the update check" test -n "$UPDATE"
check "the main screen stays" visible_window "Gardlock 2001"
sleep 0.5; screenshot 07-update

click_in "$MAIN" 576 398 # "&Exit"
wait_exit 20
check "Exit ends the program" test "$STATUS" = 0

# "NT &Style" from Protection Modes, reached by the main screen's link.
start_gardlock
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
click_in "$MAIN" 60 192 # "Protection Modes"
PROT=$(wait_for 20 visible_window "System Protection - Gardlock 2001")
check "the Protection Modes link opens Protection Modes" test -n "$PROT"
click_in "$PROT" 200 150 # "NT &Style"
check "NT Style locks" wait_for 20 visible_window "System Locked"
check "NT Style places Gardlock.exe /n" grep -lsx "X-Gardlock-Command=Gardlock.exe /n" "$AUTOSTART"/gardlock-services-*.desktop
check "Protection Modes is hidden under the lock" gone "System Protection - Gardlock 2001"
sleep 0.5; screenshot 08-nt-lock-from-protection
# Unlocking is the NT-style lock's own test; the clean-up ends this copy.
finish
