#!/bin/bash
# Both locks on a root window split into two monitors, and on a root that
# grows while locked: the lock covers the whole root (another program's
# window on the second monitor included), lays out its picture, panel and box
# on the primary monitor, and follows monitors added, removed or made primary
# and the root's resizing while it is up. The right password still ends it
# with status 0. Prints how long the lock took to follow each change.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

TITLE="Desktop status: Locked"
GREEN="#00A000"
MAGENTA="#FF00FF"
BLACK="#000000"

# WxH+X+Y of a window on the screen, and of the root.
window_rect() {
  xwininfo -id "$1" 2>/dev/null |
    awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{if (w) print w"x"h"+"x"+"y}'
}
rect_is() { [ "$(window_rect "$1")" = "$2" ]; }
root_is() { rect_is "$(xwininfo -root | awk '/Window id:/{print $4}')" "$1"; }
monitor_count_is() { [ "$(xrandr --listmonitors | awk 'NR==1{print $2}')" = "$1" ]; }
# "Invalid!" at the panel's left 600 twips, top 0, for a primary monitor at $1 (width 1024).
invalid_shown_on() { [ "$(red_pixels 40 10 $(($1 + (1024 - 134) * 100 / 101 + 40)) 19)" -gt 5 ]; }
box_position() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position:/{print $2}'; }
box_at() { [ "$(box_position "$1")" = "$2" ]; }
box_hopped_within() { # window centred-position left top width height: moved, inside the upper-left quarter
  local pos x y
  pos=$(box_position "$1") || return 1
  [ -n "$pos" ] && [ "$pos" != "$2" ] || return 1
  shift
  x=${pos%,*}; y=${pos#*,}
  [ "$x" -ge "$2" ] && [ "$x" -lt $(($2 + $4 / 2)) ] && [ "$y" -ge "$3" ] && [ "$y" -lt $(($3 + $5 / 2)) ]
}
# Runs one xrandr change and waits up to 10 s for the lock to follow it; the
# time from starting xrandr to the end of the first check that succeeded is
# printed at the end (an upper bound: each check takes a few milliseconds, a
# pixel check through import about a hundred).
MEASURED=()
follow() { # what check-command... -- xrandr-arguments...
  local what=$1; shift
  local cond=()
  while [ "$1" != -- ]; do cond+=("$1"); shift; done
  shift
  local start now
  start=$(date +%s%N)
  xrandr "$@"
  while [ $(( $(date +%s%N) - start )) -lt 10000000000 ]; do
    if "${cond[@]}" 2>/dev/null; then
      now=$(date +%s%N)
      MEASURED+=("$what: $(( (now - start) / 1000000 )) ms")
      check "$what" true
      return
    fi
  done
  check "$what (not within 10 s)" false
}

start_desktop 2048x768
set_password "Right"
convert -size 64x48 xc:"$GREEN" "$E2E_TMP/green.png"
convert -size 300x200 xc:"$MAGENTA" "$E2E_TMP/magenta.png"
set_setting Background1 "$E2E_TMP/green.png"

# Two monitors side by side, the left one primary; another program's window on the right one.
xrandr --setmonitor '*L' 1024/270x768/200+0+0 screen
xrandr --setmonitor R 1024/270x768/200+1024+0 none
check "the root is split into two monitors" monitor_count_is 2
display -title Secret -geometry +1300+200 "$E2E_TMP/magenta.png" &
E2E_PIDS+=($!)
SECRET=$(wait_for 20 visible_named Secret)
check "another program's window shows on the right monitor" wait_for 20 pixel_is 1400 300 "$MAGENTA"

start_gardlock /d
LOCK=$(wait_for 20 visible_named "$TITLE")
check "/d brings up the Normal lock" test -n "$LOCK"
check "it covers the whole root, both monitors" wait_for 20 rect_is "$LOCK" 2048x768+0+0
check "it is the top window" wait_for 20 on_top "$LOCK"
check "the window on the right monitor is hidden under black" wait_for 20 pixel_is 1400 300 "$BLACK"
check "the picture fills the primary monitor" wait_for 20 pixel_is 512 400 "$GREEN"
check "... corner to corner" pixel_is 1023 767 "$GREEN"
check "... and nothing more" pixel_is 1024 400 "$BLACK"
sleep 0.3; screenshot 01-normal-two-monitors
xdotool type --delay 40 wrong; xdotool key Return
check "a wrong password is logged" wait_for 20 records_are 1
check "\"Invalid!\" shows on the panel of the primary monitor" wait_for 20 invalid_shown_on 0

# The right monitor made primary while locked (this Xvfb refuses to change a
# monitor in place: it is removed and set again): picture and panel move there.
follow "the picture moved to the new primary monitor" pixel_is 1500 400 "$GREEN" -- \
  --delmonitor R --setmonitor '*R' 1024/270x768/200+1024+0 none
check "... and left black behind" wait_for 20 pixel_is 512 400 "$BLACK"
check "... the panel with it" wait_for 20 invalid_shown_on 1024
check "the lock still covers both monitors" rect_is "$LOCK" 2048x768+0+0
sleep 0.3; screenshot 02-normal-primary-right
xdotool type --delay 40 Right; xdotool key Return
await_end normal
check "the right password ends the Normal lock with status 0 (got $STATUS)" test "$STATUS" = 0
check "the other window shows again" wait_for 20 pixel_is 1400 300 "$MAGENTA"

# One monitor on a root shrunk to 1024x768, then the NT-style lock, then the root grown under it.
xrandr --delmonitor L
xrandr --delmonitor R
xrandr --newmode half 60 1024 1024 1024 1024 768 768 768 768
xrandr --addmode screen half
xrandr --output screen --mode half
xrandr --fb 1024x768
check "the root is shrunk to 1024x768" root_is 1024x768+0+0
start_gardlock /n
BOX=$(wait_for 20 visible_named "System Locked")
BACKGROUND=$(wait_for 20 visible_named Background)
check "/n brings up the box and the background" test -n "$BOX" -a -n "$BACKGROUND"
check "the background covers the root" wait_for 20 rect_is "$BACKGROUND" 1024x768+0+0
check "the box opens centred" wait_for 20 box_at "$BOX" 354,315
check "the lock holds the keyboard" wait_for 20 keyboard_grab_held

follow "the background grew with the root" rect_is "$BACKGROUND" 2048x768+0+0 -- --fb 2048x768
check "the other program's window, back in the root, is hidden under black" wait_for 20 pixel_is 1400 300 "$BLACK"
check "the box is the top window" wait_for 20 on_top "$BOX"
sleep 0.3; screenshot 03-nt-root-grown

follow "a primary monitor added on the right takes the box" box_at "$BOX" 1378,315 -- \
  --setmonitor '*R' 1024/270x768/200+1024+0 none
check "the box hops inside the right monitor's upper-left quarter" \
  wait_for 30 box_hopped_within "$BOX" 1378,315 1024 0 1024 768
sleep 0.3; screenshot 04-nt-second-monitor
follow "the monitor removed: the box is back on the left" box_at "$BOX" 354,315 -- --delmonitor R
follow "the root shrunk again: the background with it" rect_is "$BACKGROUND" 1024x768+0+0 -- --fb 1024x768
check "the background still holds the box above it" on_top "$BOX"

xdotool keydown Control_L keydown Shift_L keydown Alt_L key a keyup Alt_L keyup Shift_L keyup Control_L
PROMPT=$(wait_for 20 visible_named "Start Logon")
check "Ctrl+Shift+Alt opens Start Logon" test -n "$PROMPT"
xdotool type --delay 40 Right; xdotool key Return
await_end nt
check "the right password ends the NT-style lock with status 0 (got $STATUS)" test "$STATUS" = 0

for line in "${MEASURED[@]}"; do echo "measured: $line"; done
finish
