# Helpers shared by the lock scripts (sourced after lib.sh).

LOCK_HEADING="An unauthorized person tried to access this system by typing as a password:"

autostart_has() { grep -lsx "X-Gardlock-Command=$1" "$AUTOSTART"/*.desktop >/dev/null; }
autostart_lacks() { ! autostart_has "$1"; }
# A start-up entry as the Protection Modes screen places it ("t" or "w").
place_armed_entry() {
  local sw=$1
  mkdir -p "$AUTOSTART"
  printf '[Desktop Entry]\nType=Application\nName=Gardlock 2001\nExec=%s /%s\nX-Gardlock-Command=Gardlock.exe /%s\nX-Gardlock-List=services\n' \
    "$GARDLOCK_BIN" "$sw" "$sw" >"$AUTOSTART/gardlock-services-Gardlock.exe_20_2F$sw.desktop"
}
set_password() { mkdir -p "$DRIVE_C"; printf '"%s"\r\n' "$1" >"$DRIVE_C/cslckrt.sys"; }
set_setting() { printf '[Options]\n%s=%s\n' "$1" "$2" >"$XDG_CONFIG_HOME/DW2001.conf"; }

records() { grep -c "^$LOCK_HEADING" "$DRIVE_C/intruder.log" 2>/dev/null || echo 0; }
records_are() { [ "$(records)" = "$1" ]; }
# The record's second line: the typed text, " On ", the general date, ".".
record_of() { grep -qE "^$1 On [0-9]+/[0-9]+/[0-9]{4}( [0-9]+:[0-9]{2}:[0-9]{2} [AP]M)?\.$(printf '\r')\$" "$DRIVE_C/intruder.log"; }

keyboard_grab_held() { [ "$("$GARDLOCK_TOOLS/grabprobe" once)" = AlreadyGrabbed ]; }
pointer_grab_held() { [ "$("$GARDLOCK_TOOLS/grabprobe" --pointer once)" = AlreadyGrabbed ]; }
grabs_free() {
  [ "$("$GARDLOCK_TOOLS/grabprobe" once)" = Success ] &&
    [ "$("$GARDLOCK_TOOLS/grabprobe" --pointer once)" = Success ]
}
taskbar_hidden() { local f; f=$(taskbar_frame) || return 0; ! is_viewable "$f"; }
taskbar_shown() { local f; f=$(taskbar_frame) && is_viewable "$f"; }

gardlock_alive() { kill -0 "$GARDLOCK_PID" 2>/dev/null; }
# The lock's program, a child of the started front; and a new one in place of $1.
lock_process() { pgrep -P "$GARDLOCK_PID" | head -1 | grep .; }
other_lock_process() { local p; p=$(lock_process) && [ "$p" != "$1" ] && echo "$p"; }
lock_process_replaced() { other_lock_process "$1" >/dev/null; }
visible_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
shown_named() { visible_named "$1" >/dev/null; }
gone_named() { ! visible_named "$1" >/dev/null; }
# The window is the top-most mapped one (or inside it).
on_top() { [ "$("$GARDLOCK_TOOLS/stacktop" "$1")" = top ]; }

# The colour of one screen pixel as #RRGGBB.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1; }
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }
# How many strongly red pixels (text is smoothed) a screen rectangle holds (W H X Y).
red_pixels() { import -window root -crop "$1x$2+$3+$4" -depth 8 txt:- 2>/dev/null | grep -c '#FF[0-7][0-9A-F][0-7][0-9A-F]'; }

# Every way a desktop asks a window or the program to stop, short of SIGKILL.
ask_to_stop() { # window-id title
  "$GARDLOCK_TOOLS/closereq" "$1"
  wmctrl -c "$2" 2>/dev/null
  xdotool key alt+F4
  kill -TERM "$GARDLOCK_PID"; kill -INT "$GARDLOCK_PID"; kill -HUP "$GARDLOCK_PID"
  # Give a wrong outcome time to happen: these checks are for something that must not occur.
  sleep 2
}

# Waits up to $2 seconds (default 20) for the program to end and keeps what it
# printed; sets STATUS to its exit status or "still-running". It runs in this
# shell, not in $(...): only the shell that started the program can wait for it.
await_end() { # label [timeout]
  local i
  STATUS=still-running
  for i in $(seq 1 $(( ${2:-20} * 20 ))); do
    if ! kill -0 "$GARDLOCK_PID" 2>/dev/null; then wait "$GARDLOCK_PID"; STATUS=$?; break; fi
    pause 0.05
  done
  cp "$E2E_TMP/gardlock.out" "$E2E_OUT/gardlock-$1.out" 2>/dev/null
}

# Another client maps a window and raises it above everything, framed by the
# window manager and override-redirect: the lock must push it back each time.
pushed_back() { "$GARDLOCK_TOOLS/raiser" --count 3 --timeout 10000 "$@" >/dev/null; }
