#!/bin/bash
# The tray icon: "/i" puts it into icewm's notification area, only a
# right-button release opens its menu, the menu's items do what they say, and
# "Exit" takes the icon away as the program ends.
source "$(dirname "$0")/lib.sh"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
# The program's window embedded in icewm's tray.
tray_icon() { xwininfo -root -tree 2>/dev/null | awk '!f && /"SystemTray"/{f=1} f == 1 && /\("gardlock"/{print $1; f = 2}' | grep .; }
no_tray_icon() { ! tray_icon >/dev/null; }
# The popup menu: the only top-level window of the program that is ever
# mapped while only the icon is up.
menu_open() {
  local w
  for w in $(xwininfo -root -children 2>/dev/null | awk '/\("gardlock"/{print $1}'); do
    is_viewable "$w" && return 0
  done
  return 1
}
menu_closed() { ! menu_open; }
autostart_has() { grep -lsx "X-Gardlock-Command=$1" "$AUTOSTART"/*.desktop >/dev/null; }
right_click_icon() { xdotool mousemove --window "$(tray_icon)" 12 12 click 3; }

start_desktop
if ! wait_for 10 bash -c "xwininfo -root -tree | grep -q '\"SystemTray\"'" >/dev/null; then
  echo "SKIP: this desktop has no notification area, so there is no tray to test"
  finish; exit
fi
mkdir -p "$DRIVE_C"; printf '"pw"\r\n' > "$DRIVE_C/cslckrt.sys"

start_gardlock /i
check "the icon appears in the tray" wait_for 20 tray_icon
check "no window shows with the icon" menu_closed
sleep 0.5; screenshot 01-tray-icon

# Left clicks and double clicks do nothing.
xdotool mousemove --window "$(tray_icon)" 12 12 click 1; sleep 1
check "a left click opens no menu" menu_closed
xdotool mousemove --window "$(tray_icon)" 12 12 click --repeat 2 --delay 80 1; sleep 1
check "a double click opens no menu" menu_closed

right_click_icon
check "a right-button release opens the menu" wait_for 10 menu_open
sleep 0.3; screenshot 02-tray-menu
xdotool key Escape
check "Escape closes the menu" wait_for 10 menu_closed

# "About" (second from the end), then "Main Screen" (third from the end).
right_click_icon; wait_for 10 menu_open >/dev/null
xdotool key Up Up Return
ABOUT=$(wait_for 20 visible_window "About...")
check "About shows the About screen" test -n "$ABOUT"
sleep 0.5; screenshot 03-about
xdotool mousemove --window "$ABOUT" 355 296 click 1 # "&OK"
check "OK hides the About screen" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^About\.\.\.\$'"

right_click_icon; wait_for 10 menu_open >/dev/null
xdotool key Up Up Up Return
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
check "Main Screen shows the main screen" test -n "$MAIN"
check "the icon stays" tray_icon
sleep 0.3; screenshot 04-main-from-tray
# Back to the tray through the main screen's own link.
xdotool mousemove --window "$MAIN" 590 12 click 1 # "Minimize to tray"
check "Minimize to tray hides the main screen" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Gardlock 2001\$'"
check "still exactly one icon" test "$(xwininfo -root -tree | awk '/"SystemTray"/{f=1} f && /\("gardlock"/' | wc -l)" = 1

# A second tray start finds this copy and ends without a second icon.
"$GARDLOCK_BIN" /i >/dev/null 2>&1 &
SECOND=$!
check "a second /i start ends by itself" wait_for 20 bash -c "! kill -0 $SECOND 2>/dev/null"
check "still one icon after it" test "$(xwininfo -root -tree | awk '/"SystemTray"/{f=1} f && /\("gardlock"/' | wc -l)" = 1

# "Exit": the icon goes and the program ends.
right_click_icon; wait_for 10 menu_open >/dev/null
xdotool key Up Return
wait_exit 20
check "Exit ends the program" test "$STATUS" = 0
check "Exit took the icon away" no_tray_icon

# "NT Style Lock" from the menu of a new tray start.
start_gardlock /i
wait_for 20 tray_icon >/dev/null
right_click_icon; wait_for 10 menu_open >/dev/null
xdotool key Down Down Return
LOCK=$(wait_for 20 visible_window "System Locked")
check "NT Style Lock locks" test -n "$LOCK"
check "NT Style Lock places Gardlock.exe /n" autostart_has "Gardlock.exe /n"
check "the program still runs under the lock" kill -0 "$GARDLOCK_PID"
sleep 0.5; screenshot 05-nt-lock-from-tray
# Unlocking is the NT-style lock's own test; the clean-up ends this copy.
finish
