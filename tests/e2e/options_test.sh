#!/bin/bash
# Options from outside: the tray box places and removes the "Gardlock.exe /i"
# autostart entry; "edit text" opens the text editor; a picture picked in the
# image browser at the root of drive C, accepted and saved, becomes the
# Normal lock's background.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
title_of() { xdotool getwindowname "$1" 2>/dev/null; }
title_is() { [ "$(title_of "$1")" = "$2" ]; }
setting_line() { grep -qxF "$1" "$XDG_CONFIG_HOME/DW2001.conf"; }

start_desktop
set_password "Right"
convert -size 64x48 xc:'#C03090' BMP3:"$DRIVE_C/sky.bmp"

start_gardlock
MAIN=$(wait_for 20 visible_named "Gardlock 2001")
check "the main screen comes up" test -n "$MAIN"
click_in "$MAIN" 60 228 # "Options"
OPTS=$(wait_for 20 visible_named "Options - Gardlock 2001")
check "the Options link opens Options" test -n "$OPTS"
sleep 0.5; screenshot 01-options

click_in "$OPTS" 32 250 # "Auto-load tray icon with Windows"
check "ticking the tray box places Gardlock.exe /i" wait_for 10 autostart_has "Gardlock.exe /i"
check "... as a run entry" bash -c "grep -qsx 'X-Gardlock-List=run' $AUTOSTART/*.desktop"
check "... and stores TrayIcon=Enabled" setting_line "TrayIcon=Enabled"
click_in "$OPTS" 32 250
check "unticking removes it" wait_for 10 autostart_lacks "Gardlock.exe /i"
check "... and stores TrayIcon=Disabled" setting_line "TrayIcon=Disabled"

click_in "$OPTS" 46 329 # "edit text"
EDITOR=$(wait_for 20 visible_named "Text Editor - Gardlock 2001")
check "\"edit text\" opens the text editor" test -n "$EDITOR"
check "Options stays" shown_named "Options - Gardlock 2001"
sleep 0.3; screenshot 02-options-and-editor
"$GARDLOCK_TOOLS/closereq" "$EDITOR"
check "a close request closes the editor" wait_for 10 gone_named "Text Editor - Gardlock 2001"

click_in "$OPTS" 128 98 # Normal "browse..."
BROWSER=$(wait_for 20 visible_named "Browse for image")
check "browse... opens the image browser" test -n "$BROWSER"
sleep 0.5; screenshot 03-browser
xdotool mousemove --window "$BROWSER" 40 52 click --repeat 2 --delay 80 1 # "C:\" in the folder list
sleep 0.5
click_in "$BROWSER" 60 228 # the first file: sky.bmp
check "clicking the file names it in the caption, separator doubled at the root" \
  wait_for 10 title_is "$BROWSER" 'Browse for image [C:\\sky.bmp]'
sleep 0.5; screenshot 04-browser-preview
click_in "$BROWSER" 448 405 # "&Accept"
check "Accept closes the browser" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Browse for image' >/dev/null"
check "nothing is saved before Save" bash -c "! grep -qs Background1 $XDG_CONFIG_HOME/DW2001.conf"
click_in "$OPTS" 216 98 # Normal "Save"
check "Save stores the path as the browser gave it" wait_for 10 setting_line 'Background1=C:\\\\sky.bmp'

click_in "$OPTS" 268 11 # "Protect Desktop |"
PROT=$(wait_for 20 visible_named "System Protection - Gardlock 2001")
check "Protect Desktop opens Protection Modes" test -n "$PROT"
check "Options has unloaded" wait_for 10 gone_named "Options - Gardlock 2001"
click_in "$PROT" 200 123 # "&Normal"
check "the Normal lock comes up" wait_for 20 shown_named "Desktop status: Locked"
check "its background is the picture" wait_for 20 pixel_is 512 400 "#C03090"
check "... corner to corner" pixel_is 3 760 "#C03090"
screenshot 05-normal-lock-picture
xdotool type --delay 40 Right; xdotool key Return
await_end unlock
check "the right password ends the program with status 0 (got $STATUS)" test "$STATUS" = 0
finish
