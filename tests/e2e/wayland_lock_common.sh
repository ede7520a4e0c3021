# Helpers of the Wayland lock scripts on the test bed's sway (sourced after
# lib.sh, wayland_lib.sh and lock_common.sh). What a lock shows is read from
# grim's pictures alone: colours counted over the whole layout or one output.

# sway's desktop colour (the test bed's config), and its own plain red for a
# session whose locker died.
BACKGROUND_HEX="#3A6EA5"
DEAD_LOCKER_HEX="#FF0000"
WESTON_IMAGE_ID="org.freedesktop.weston.wayland-image"

# wayland_lock SWITCH: the front on sway alone (no X display); sets
# GARDLOCK_PID. Its output is in $E2E_TMP/gardlock.out.
wayland_lock() {
  env -u DISPLAY WAYLAND_DISPLAY="$SWAY_DISPLAY" "$GARDLOCK_BIN" "$@" >>"$E2E_TMP/gardlock.out" 2>&1 &
  GARDLOCK_PID=$!
  E2E_PIDS+=("$GARDLOCK_PID")
}

# This test's processes by name: only those whose HOME is the test's own, as
# other tests may run a lock at the same time.
ours() {
  local pid
  for pid in $(pgrep -x "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -Fx "HOME=$HOME" >/dev/null && echo "$pid"
  done
  return 0
}
# The program the front runs (gardlock-ui, its child), if any.
lock_program() { pgrep -P "${1:-$GARDLOCK_PID}" -x gardlock-ui | grep .; }
other_lock_program() { local p; p=$(lock_program "$1") && [ "$p" != "$2" ] && echo "$p"; }
# Ends whatever of the lock is left: for the end of a script.
end_our_locks() { local p; for p in $(ours gardlock) $(ours gardlock-ui); do kill -9 "$p" 2>/dev/null; done; }
WAYLAND_STOPS+=(end_our_locks)

# check_showing WHAT SHOW CMD...: check, and where it fails, SHOW (a command
# line that prints what was seen).
check_showing() {
  local before=$FAILURES
  check "$1" "${@:3}"
  [ "$FAILURES" = "$before" ] || eval "$2"
}

# --- pictures -------------------------------------------------------------------

# shot NAME: grim's picture of the whole layout into $E2E_OUT/NAME.png;
# prints the path. Its colour counts are worked out once, on first use.
shot() { local f="$E2E_OUT/$1.png"; rm -f "$E2E_TMP/hist/${f//\//_}".*; grim_shot "$1" && [ -s "$f" ] && echo "$f"; }
# The colours of a picture (or of a rectangle WxH+X+Y of it): "count #RRGGBB" lines.
histogram() {
  local f=$1 g=${2:-all} h
  mkdir -p "$E2E_TMP/hist"
  h="$E2E_TMP/hist/${f//\//_}.${g//[^0-9a-z]/_}"
  if [ ! -s "$h" ]; then
    local crop=()
    [ "$g" = all ] || crop=(-crop "$g" +repage)
    convert "$f" -alpha off "${crop[@]}" -depth 8 -format %c histogram:info:- |
      sed -n 's/^ *\([0-9]*\): .* \(#[0-9A-F]\{6\}\).*/\1 \2/p' >"$h"
  fi
  cat "$h"
}
count_of() { histogram "$1" "${3:-all}" | awk -v c="$2" '$2 == c {n += $1} END {print n + 0}'; }
pixels_in() { histogram "$1" "${2:-all}" | awk '{n += $1} END {print n + 0}'; }
non_black() { histogram "$1" "${2:-all}" | awk '$2 != "#000000" {n += $1} END {print n + 0}'; }

# The outputs as "NAME WxH+X+Y", the first one first (the one the lock draws on).
outputs() {
  sway_run swaymsg -r -t get_outputs | python3 -c '
import json, sys
for o in json.load(sys.stdin):
    if o.get("active"):
        r = o["rect"]
        print(o["name"], "%dx%d+%d+%d" % (r["width"], r["height"], r["x"], r["y"]))'
}
primary_rect() { outputs | awk 'NR == 1 {print $2}'; }
# Call once sway is up: the first output stays where it is when others come.
note_primary() { PRIMARY=$(primary_rect) && [ -n "$PRIMARY" ]; }

# What a picture shows. The desktop: sway's colour, or a colour a client
# paints (DESKTOP_COLOURS, hex), anywhere.
desktop_pixels() {
  local f=$1 g=${2:-all} c n=0
  for c in "$BACKGROUND_HEX" ${DESKTOP_COLOURS:-}; do n=$((n + $(count_of "$f" "$c" "$g"))); done
  echo "$n"
}
shows_desktop() { [ "$(desktop_pixels "$@")" -gt 0 ]; }
hides_desktop() { [ "$(desktop_pixels "$@")" = 0 ]; }
# sway's red covers a whole output; a lock's red text is far less than a quarter.
red_screen() { [ $(( $(count_of "$1" "$DEAD_LOCKER_HEX" "${2:-all}") * 4 )) -gt "$(pixels_in "$1" "${2:-all}")" ]; }
not_red() { ! red_screen "$@"; }
all_black() { [ "$(non_black "$@")" = 0 ]; }
# The lock's own picture on the first output: neither the desktop nor sway's
# red, and more than a plain black fill.
lock_drawn() { hides_desktop "$1" && not_red "$1" && [ "$(non_black "$1" "$PRIMARY")" -gt 500 ]; }
# Locked: nothing of the desktop and no red, whether drawn yet or black.
locked_shot() { hides_desktop "$1" && not_red "$1"; }

# shot_is NAME PREDICATE [ARGS]: a new picture, and whether PREDICATE FILE
# ARGS holds for it (under wait_for, pictures are taken until one does).
shot_is() { local f; f=$(shot "$1") && "$2" "$f" "${@:3}"; }
shows_colour() { [ "$(count_of "$1" "$2" "${3:-all}")" -gt 0 ]; }
# What a picture counted, for a failure's message.
describe() {
  local f="$E2E_OUT/$1.png"
  [ -s "$f" ] || { echo "  ($1: no picture)"; return; }
  echo "  $1.png: desktop $(desktop_pixels "$f"), red $(count_of "$f" "$DEAD_LOCKER_HEX"), non-black on the first output $(non_black "$f" "$PRIMARY") of $(pixels_in "$f")"
}

# --- a window of another client: weston-image showing a solid colour -------------

# show_client NAME HEX: a floating weston-image window of that colour on sway
# (a host client, against sway's socket); sets CLIENT_PID.
show_client() {
  local png="$E2E_TMP/$1.png"
  convert -size 64x48 "xc:$2" "$png"
  sway_run swaymsg "for_window [app_id=\"$WESTON_IMAGE_ID\"] floating enable, resize set 320 240" >/dev/null
  mkdir -p "$E2E_TMP/client-run" && chmod 700 "$E2E_TMP/client-run"
  WAYLAND_DISPLAY=$SWAY_DISPLAY XDG_RUNTIME_DIR="$E2E_TMP/client-run" weston-image "$png" >"$E2E_TMP/$1.log" 2>&1 &
  CLIENT_PID=$!
  E2E_PIDS+=("$CLIENT_PID")
  DESKTOP_COLOURS="${DESKTOP_COLOURS:-} $2"
}
client_mapped() { sway_run swaymsg -t get_tree | grep -F "\"app_id\": \"$WESTON_IMAGE_ID\"" >/dev/null; }

# --- keys, through wtype's virtual keyboard ---------------------------------------

# Each wtype brings the seat's keyboard anew; -s 50 lets the lock bind it before the first key.
type_text() { sway_run wtype -s 50 "$1"; }
press() { sway_run wtype -s 50 "$@"; }
# The NT-style lock's prompt: a key with Ctrl, Shift and Alt held.
open_logon_prompt() { press -M ctrl -M shift -M alt -k a -m alt -m shift -m ctrl; }
clear_field() { press -M ctrl -k a -m ctrl -k BackSpace; }
# Types a password into the lock and Return, as its owner would (the prompt
# first for /n).
enter_password() { # switch text
  [ "$1" = /n ] && { open_logon_prompt; pause 1; }
  type_text "$2"
  press -k Return
}
# The NT-style lock's two messages after a wrong password, each closed with Return.
dismiss_denied() { pause 1; press -k Return; pause 1; press -k Return; pause 1; }

# --- pictures one after another, for what shows in a gap ----------------------------

# start_burst NAME [MAX]: grim's pictures (half size, enough for whole-screen
# colours) as quickly as grim goes, from a loop inside the root, until
# stop_burst or MAX of them; each into $SWAY_RUNDIR/NAME/N.ppm, with "N
# nanoseconds" when it was done in NAME/times. In the background.
start_burst() {
  local dir="$SWAY_RUNDIR/$1"
  rm -rf "$dir" "$dir.stop"
  mkdir -p "$dir"
  sway_run sh -c 'd=/run/wl/$1 i=0
    while [ "$i" -lt "$2" ] && [ ! -e "$d.stop" ]; do
      i=$((i + 1)); grim -s 0.5 -t ppm "$d/$i.ppm" && echo "$i $(date +%s%N)" >>"$d/times"
    done' burst "$1" "${2:-100}" >/dev/null 2>&1 &
  BURST_PID=$!
}
stop_burst() { touch "$SWAY_RUNDIR/$1.stop"; wait "$BURST_PID"; rm -f "$SWAY_RUNDIR/$1.stop"; }
wait_burst() { wait "$BURST_PID"; }
# burst_files NAME: "FILE NANOSECONDS" of each picture, in order.
burst_files() { awk -v d="$SWAY_RUNDIR/$1" '{print d "/" $1 ".ppm", $2}' "$SWAY_RUNDIR/$1/times" 2>/dev/null; }
burst_count() { burst_files "$1" | wc -l; }
# every_shot NAME PREDICATE: it holds for every picture (and there are some);
# the first that fails is kept in $E2E_OUT.
every_shot() {
  local f t n=0
  while read -r f t; do
    n=$((n + 1))
    "$2" "$f" || { cp "$f" "$E2E_OUT/$1-failed-$n.ppm"; echo "  picture $n of the burst: $(desktop_pixels "$f") desktop, $(count_of "$f" "$DEAD_LOCKER_HEX") red (kept as $1-failed-$n.ppm)"; return 1; }
  done < <(burst_files "$1")
  [ "$n" -gt 0 ]
}
