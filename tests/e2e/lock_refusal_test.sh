#!/bin/bash
# One way to start a lock. A display that cannot really be locked (here a
# Wayland session) is refused the same way from every path that brings up a
# lock, before anything is placed or shown: the command-line switches,
# Protection Modes and the tray menu. The toolkit's own switch that turns its
# grabs off (QT_XCB_NO_GRAB_SERVER) once let Protection Modes show a lock that
# held nothing; the grabs no longer go through the toolkit, so with it set
# every path locks for real.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
nothing_placed() { ! ls "$AUTOSTART"/*.desktop >/dev/null 2>&1; }
no_lock_came_up() {
  sleep 2
  gone_named "System Locked" && gone_named "Desktop status: Locked" && grabs_free && nothing_placed
}
tray_icon() { xwininfo -root -tree 2>/dev/null | awk '!f && /"SystemTray"/{f=1} f == 1 && /\("gardlock"/{print $1; f = 2}' | grep .; }
open_protection_modes() {
  MAIN=$(wait_for 20 visible_window "Gardlock 2001")
  xdotool mousemove --window "$MAIN" 60 192 click 1 # "Protection Modes"
  PROT=$(wait_for 20 visible_window "System Protection - Gardlock 2001")
}
# Clicks "NT &Style" on Protection Modes.
nt_style() { xdotool mousemove --window "$PROT" 200 150 click 1; }
tray_normal_lock() {
  local icon menu
  icon=$(wait_for 20 tray_icon) || return 1
  xdotool mousemove --window "$icon" 12 12 click 3
  menu=$(wait_for 10 open_menu) || return 1
  xdotool mousemove --window "$menu" 40 10 click 1 # "Normal Lock", the first item
}
# The popup menu: the program's only top-level window mapped while only the icon is up.
open_menu() {
  local w
  for w in $(xwininfo -root -children 2>/dev/null | awk '/\("gardlock"/{print $1}'); do
    is_viewable "$w" && { echo "$w"; return 0; }
  done
  return 1
}
stop_program() { kill -9 "$GARDLOCK_PID" $(pgrep -P "$GARDLOCK_PID") 2>/dev/null; wait "$GARDLOCK_PID" 2>/dev/null; }

start_desktop
set_password "Open Sesame"

# --- A Wayland session: refused from every path ------------------------------
for sw in /d /n /b /e; do
  XDG_SESSION_TYPE=wayland timeout 20 "$GARDLOCK_BIN" $sw >"$E2E_TMP/out" 2>&1
  status=$?
  check "$sw in a Wayland session is refused with a status" test "$status" -ne 0 -a "$status" -ne 124
  check "$sw says why" grep -q "Wayland" "$E2E_TMP/out"
done
check "no switch showed a lock or placed a start-up entry" no_lock_came_up

XDG_SESSION_TYPE=wayland start_gardlock
open_protection_modes
check "Protection Modes comes up" test -n "$PROT"
nt_style
check "NT Style answers with a message" wait_for 20 visible_window "Gardlock 2001"
sleep 0.5; screenshot 01-refused-from-protection
check "no lock came up from Protection Modes, nothing was placed, nothing is grabbed" no_lock_came_up
check "Protection Modes stays" visible_window "System Protection - Gardlock 2001"
stop_program

XDG_SESSION_TYPE=wayland start_gardlock /i
tray_normal_lock
check "Normal Lock from the tray answers with a message" wait_for 20 visible_window "Gardlock 2001"
sleep 0.5; screenshot 02-refused-from-tray
check "no lock came up from the tray, nothing was placed, nothing is grabbed" no_lock_came_up
stop_program

# --- QT_XCB_NO_GRAB_SERVER set: every path really locks -----------------------
unlock_normal() { xdotool type --delay 20 "Open Sesame"; xdotool key Return; }
export QT_XCB_NO_GRAB_SERVER=1
start_gardlock /d
check "/d locks" wait_for 20 shown_named "Desktop status: Locked"
check "/d holds the keyboard" wait_for 20 keyboard_grab_held
check "/d holds the pointer" wait_for 20 pointer_grab_held
unlock_normal
await_end switch
check "the password ends it with status 0" test "$STATUS" = 0

start_gardlock
open_protection_modes
nt_style
check "NT Style from Protection Modes locks" wait_for 20 shown_named "System Locked"
check "and holds the keyboard" wait_for 20 keyboard_grab_held
check "and the pointer" wait_for 20 pointer_grab_held
# Unlocked by its password, so that the task bar (and the tray) come back.
xdotool key ctrl+shift+alt
wait_for 20 shown_named "Start Logon" >/dev/null
unlock_normal
await_end protection
check "the password ends it with status 0" test "$STATUS" = 0

rm -f "$AUTOSTART"/*.desktop
start_gardlock /i
tray_normal_lock
check "Normal Lock from the tray locks" wait_for 20 shown_named "Desktop status: Locked"
check "and holds the keyboard" wait_for 20 keyboard_grab_held
check "and the pointer" wait_for 20 pointer_grab_held
stop_program
unset QT_XCB_NO_GRAB_SERVER
finish
