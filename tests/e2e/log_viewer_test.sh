#!/bin/bash
# The Log Viewer as a user meets it: the log shown in file order, Refresh
# after a record was added elsewhere, a backup to the desktop, Lock, the locked state after a restart,
# a wrong and then the right password at "Unlock screen", Clear Log and Exit.
# What the view shows is read the way a user would take it: select all, copy,
# and read the clipboard.
source "$(dirname "$0")/lib.sh"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
gone() { ! visible_window "$1" >/dev/null; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
status_is() { grep -qx "Status=$1" "$XDG_CONFIG_HOME/DW2001.conf" 2>/dev/null; }

# Places in the viewer (its layout in src/intruderlog/frmLogViewer.cpp).
NAV_Y=11 NAV_VIEWLOG=172
VIEW_X=300 VIEW_Y=200
CLEAR_X=226 REFRESH_X=342 BACKUP_X=458 BUTTONS_Y=366
LOCK_X=216 LOCK_Y=408
PASSWORD_X=350 PASSWORD_Y=366
EXIT_Y=412
# The exit stands at the right edge, and the viewer is as wide as its font needs.
exit_x() { eval "$(xdotool getwindowgeometry --shell "$LOG")"; echo $((WIDTH - 16 - 47)); }

# The view's whole text, as copied to the clipboard.
view_text() {
  click_in "$LOG" $VIEW_X $VIEW_Y
  xdotool key ctrl+a ctrl+c
  sleep 0.3
  xclip -o -selection clipboard 2>/dev/null
}
view_is() { [ "$(view_text)" = "$1" ]; }
view_has_line() { view_text | grep -x -- "$1" >/dev/null; }

# Opens the viewer: Password Settings (/s), then the bar's "View log".
open_viewer() {
  start_gardlock /s
  local pass
  pass=$(wait_for 20 visible_window "Password Settings - Gardlock 2001") || return 1
  click_in "$pass" $NAV_VIEWLOG $NAV_Y
  LOG=$(wait_for 20 visible_window "Log Viewer - Gardlock 2001")
}

# Answers the visible message box with this title by pressing Return.
answer_box() {
  local box
  box=$(wait_for 20 visible_window "$1") || return 1
  wait_for 10 is_active "$box" >/dev/null
  xdotool key Return
  wait_for 10 gone "$1" >/dev/null
}

start_desktop
mkdir -p "$DRIVE_C"
printf '"pw"\r\n' >"$DRIVE_C/cslckrt.sys"
printf 'first record\r\nguess On 1/2/2003 4:05:06 AM.\r\n\r\n' >"$DRIVE_C/intruder.log"

open_viewer
check "View log opens the Log Viewer" test -n "$LOG"
sleep 0.5; screenshot 01-log-viewer
check "the view shows the log in file order" view_is "$(printf 'first record\nguess On 1/2/2003 4:05:06 AM.\n')"

printf 'newest\r\n' >>"$DRIVE_C/intruder.log"
click_in "$LOG" $REFRESH_X $BUTTONS_Y
sleep 0.3
LAST=$(view_text | tail -1)
check "Refresh shows a record added elsewhere at the bottom" test "$LAST" = newest

# Backup to the desktop: the box comes up with "C:\Windows\Desktop"; Enter is OK.
click_in "$LOG" $BACKUP_X $BUTTONS_Y
BACKUP=$(wait_for 20 visible_window "Log Backup - Gardlock 2001")
check "Backup... opens the backup screen" test -n "$BACKUP"
click_in "$BACKUP" 75 146 # "Backup to &Desktop"
DEST=$(wait_for 20 visible_window "Backup - Gardlock 2001")
check "the destination box comes up" test -n "$DEST"
wait_for 10 is_active "$DEST" >/dev/null
sleep 0.3; screenshot 02-backup-destination
xdotool key Return
check "the backup lands on the desktop" wait_for 10 cmp -s "$DRIVE_C/intruder.log" "$HOME/Desktop/intruder.log"
check "the box closes" wait_for 10 gone "Backup - Gardlock 2001"
sleep 0.3; screenshot 03-backup-done
click_in "$BACKUP" 457 362 # "&Exit"
check "Exit closes the backup screen" wait_for 10 gone "Log Backup - Gardlock 2001"

click_in "$LOG" $LOCK_X $LOCK_Y
check "Lock screen stores Locked" wait_for 10 status_is Locked
sleep 0.5; screenshot 04-locked
check "the locked view shows the notice" view_is "This information is not available because this screen has been locked. Unlock this screen to display this information."
click_in "$LOG" $CLEAR_X $BUTTONS_Y
sleep 1
check "Clear Log cannot be used while locked" gone "Confirm Action"
check "the log file is untouched" grep -q newest "$DRIVE_C/intruder.log"

click_in "$LOG" $(exit_x) $EXIT_Y
wait_exit 20
check "Exit ends the program" test "$STATUS" = 0

open_viewer
check "the viewer opens again in a new run" test -n "$LOG"
check "a locked viewer comes up locked after a restart" view_is "This information is not available because this screen has been locked. Unlock this screen to display this information."

click_in "$LOG" $PASSWORD_X $PASSWORD_Y
xdotool type --delay 30 "nope"
click_in "$LOG" $LOCK_X $LOCK_Y # "Unlock screen" lies where "Lock screen" was
sleep 0.5; screenshot 05-access-denied
check "a wrong password brings Access Denied!" answer_box "Access Denied!"
check "then the note that it was logged" answer_box "Gardlock 2001"
check "the wrong password is recorded" bash -c "tail -n 3 '$DRIVE_C/intruder.log' | head -1 | grep -qx \$'A user tried to unlock the VIEW LOG screen by typing as a password:\r'"
check "with the typed text and the time" bash -c "tail -n 2 '$DRIVE_C/intruder.log' | head -1 | grep -q '^nope On .*\.'"
check "the viewer stays locked" status_is Locked

click_in "$LOG" $PASSWORD_X $PASSWORD_Y
xdotool type --delay 30 "pw"
click_in "$LOG" $LOCK_X $LOCK_Y
check "the right password unlocks" wait_for 10 status_is Unlocked
sleep 0.5; screenshot 06-unlocked
check "the log shows again, with the new record at the bottom" view_has_line "nope On .*"

click_in "$LOG" $CLEAR_X $BUTTONS_Y
check "Clear Log asks first" answer_box "Confirm Action"
check "OK deletes the log file" wait_for 10 test ! -e "$DRIVE_C/intruder.log"
check "the view shows [Empty]" view_is "[Empty]"
sleep 0.3; screenshot 07-cleared

click_in "$LOG" $(exit_x) $EXIT_Y
wait_exit 20
check "Exit ends the program again" test "$STATUS" = 0
finish
