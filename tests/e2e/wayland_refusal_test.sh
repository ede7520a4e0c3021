#!/bin/bash
# A lock asked for on a Wayland session is refused honestly by the front,
# before anything is grabbed or started: status 3 and one line. On Debian's
# weston, which offers no session lock, the line names ext-session-lock-v1
# as what is missing, also where DISPLAY is weston's own Xwayland. On sway
# from the test bed, whose session another lock holds, the compositor's
# "finished" is the refusal. A compositor that does not answer, or none,
# leaves the X11 rules; so does a plain X server with a compositor nested in
# it. Nothing is left running or mounted at the end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

LOCKS=(/d /b /t /n /e /w)
MISSING="offers no session lock (ext-session-lock-v1)"

# lock SWITCH ENV...: the front with that environment; sets STATUS and ERR.
# The bound only keeps a hang from stalling the run; it is no time limit.
lock() {
  local sw=$1; shift
  timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY "$@" "$GARDLOCK_BIN" "$sw" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
  STATUS=$?
  ERR=$(cat "$E2E_TMP/err")
}
lacks() { ! offers "$@"; }
one_line_saying() { [ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -qF -- "$1" "$E2E_TMP/err"; }
starts_cannot_lock() { grep -q '^gardlock: cannot lock: ' "$E2E_TMP/err"; }
# every_lock_refused WHAT LINE ENV...: each lock switch ends with 3 and that one line.
every_lock_refused() {
  local what=$1 line=$2 sw; shift 2
  for sw in "${LOCKS[@]}"; do
    lock "$sw" "$@"
    check "$what, $sw: status 3" test "$STATUS" = 3
    check "$what, $sw: one 'cannot lock' line saying \"$line\"" eval 'one_line_saying "$line" && starts_cannot_lock'
    [ "$STATUS" = 3 ] && one_line_saying "$line" || echo "  said: $ERR"
  done
}

# --- weston: no session lock ---------------------------------------------------
start_weston
check "weston answers (wayland-info lists its compositor)" offers "$WESTON_DISPLAY" wl_compositor
check "weston offers no session lock (wayland-info)" lacks "$WESTON_DISPLAY" ext_session_lock_manager_v1
every_lock_refused "weston" "$MISSING" WAYLAND_DISPLAY="$WESTON_DISPLAY"

# DISPLAY is weston's own Xwayland: still weston's to lock, not X11's.
start_weston --xwayland
for sw in /d /n; do
  lock "$sw" WAYLAND_DISPLAY="$WESTON_DISPLAY" DISPLAY="$WESTON_X11"
  check "weston with its Xwayland as DISPLAY, $sw: status 3" test "$STATUS" = 3
  check "weston with its Xwayland as DISPLAY, $sw: the line names the missing session lock" one_line_saying "$MISSING"
done

# A compositor that does not answer is no Wayland session the front can
# tell of: without an X display, the X11 rules refuse.
kill -STOP "$WESTON_PID"
lock /d WAYLAND_DISPLAY="$WESTON_DISPLAY"
kill -CONT "$WESTON_PID"
check "a stopped compositor: the front still ends (status 3, not cut off)" test "$STATUS" = 3
check "a stopped compositor: the X11 rules answer (no X11 display)" one_line_saying "there is no X11 display"
lock /d WAYLAND_DISPLAY="$E2E_TMP/nobody-here"
check "no compositor at WAYLAND_DISPLAY: status 3, no X11 display" eval '[ "$STATUS" = 3 ] && one_line_saying "there is no X11 display"'

# --- a plain X server with weston nested in it: X11's ----------------------------
start_desktop
start_weston --nested
lock /d DISPLAY="$DISPLAY" WAYLAND_DISPLAY="$WESTON_DISPLAY"
check "a compositor nested in plain X: not refused as a Wayland session" \
  bash -c "! grep -q 'ext-session-lock-v1' '$E2E_TMP/err'"
# Today the X11 path still refuses where WAYLAND_DISPLAY is set, in the program.
check "a compositor nested in plain X: the X11 path answers" grep -q "Wayland session" "$E2E_TMP/err"

# --- sway from the test bed, its session held by another lock ---------------------
# A lock whose mark it cannot see (another runtime folder) asks sway, which
# answers "finished": refused, and the lock up is untouched.
start_sway
check "sway offers the session lock (wayland-info)" offers "$SWAY_DISPLAY" ext_session_lock_manager_v1
grim_shot wayland-refusal-before
BACKGROUND=$(pixel_at "$E2E_OUT/wayland-refusal-before.png" 20 20)
check "sway shows its desktop before ($BACKGROUND)" test "$BACKGROUND" = "srgb(58,110,165)"
mkdir -m 700 "$E2E_TMP/first-runtime" "$E2E_TMP/second-runtime"
# Without the X display of the nested test above: this one is sway's alone.
X11_DISPLAY=$DISPLAY
unset DISPLAY
XDG_RUNTIME_DIR=$E2E_TMP/first-runtime WAYLAND_DISPLAY=$SWAY_DISPLAY start_gardlock /d
export DISPLAY=$X11_DISPLAY
desktop_hidden() { grim_shot wayland-refusal-held && [ "$(pixel_at "$E2E_OUT/wayland-refusal-held.png" 20 20)" = "srgb(0,0,0)" ]; }
check "the first lock holds sway" wait_for 20 desktop_hidden
lock /d WAYLAND_DISPLAY="$SWAY_DISPLAY" XDG_RUNTIME_DIR="$E2E_TMP/second-runtime"
check "a lock on a session another lock holds: status 3" test "$STATUS" = 3
check "its one line says the compositor refused" one_line_saying "refused the session lock (ext-session-lock-v1)"
check "the first lock is still up" kill -0 "$GARDLOCK_PID"
# No password is set: the first Enter makes the empty one, the second ends
# the lock (Shift first primes the seat's keyboard, which wtype brings).
sway_run wtype -s 50 -k Shift_L -k Return -k Return
wait_exit 20
check "Enter ends the first lock (status 0)" test "$STATUS" = 0
grim_shot wayland-refusal-after
check "sway shows its desktop again" \
  test "$(pixel_at "$E2E_OUT/wayland-refusal-after.png" 20 20)" = "$BACKGROUND"

# --- nothing left -------------------------------------------------------------------
wayland_cleanup
check "no process and no mount left" nothing_left
finish
