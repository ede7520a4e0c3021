#!/usr/bin/env bash
# The X11 shell helpers on a private Xvfb with icewm, driven through the lock
# driver: the hiding steps hide icewm's task bar and its parts, docks and the
# tray owner, and hold the keyboard and pointer; the restoring steps undo it;
# the window layer keeps the lock in front, mapped and in place.
source "$(dirname "$0")/lib.sh"
T="$GARDLOCK_TOOLS"

start_desktop
FRAME=$(taskbar_frame)
MENU=$(taskbar_part TaskBarMenu)
TRAY=$(taskbar_part TrayPane)
TABS=$(taskbar_part TaskPane)
SYSTRAY=$(taskbar_part SystemTray)
states() { echo "$(map_state "$FRAME") $(map_state "$MENU") $(map_state "$TRAY") $(map_state "$TABS") $(map_state "$SYSTRAY")"; }
BEFORE=$(states)
echo "icewm task bar frame $FRAME, parts $MENU $TRAY $TABS $SYSTRAY: $BEFORE"
check "icewm's task bar and its parts are up before any lock" \
  test "$BEFORE" = "IsViewable IsViewable IsViewable IsViewable IsUnMapped"
check "another client can grab the keyboard before the lock" test "$(probe_grab)" = Success

# A dock of another desktop and a tray manager that is a window of its own.
"$T/fakepanel" dock >"$E2E_TMP/dock.out" & E2E_PIDS+=($!)
wait_for 10 grep -q window "$E2E_TMP/dock.out" >/dev/null
DOCK=$(awk '{print $2}' "$E2E_TMP/dock.out")
"$T/fakepanel" tray >"$E2E_TMP/tray.out" & E2E_PIDS+=($!)
wait_for 10 grep -q window "$E2E_TMP/tray.out" >/dev/null
TRAY_OWNER=$(awk '{print $2}' "$E2E_TMP/tray.out")
check "the fake tray owns the tray selection" test "$("$T/selowner" _NET_SYSTEM_TRAY_S0)" = "$TRAY_OWNER"

start_driver --box
driver show
BG=$(driver_window bg) BOX=$(driver_window box)
wait_for 10 is_viewable "$BOX" >/dev/null

# --- Hiding --------------------------------------------------------------
driver lock
all_hidden() { [ "$(states)" = "IsUnMapped IsUnMapped IsUnMapped IsUnMapped IsUnMapped" ]; }
check "hiding unmaps icewm's task bar frame and its start button, tray and tabs" wait_for 5 all_hidden
check "hiding unmaps the dock window" wait_for 5 eval '! is_viewable "$DOCK"'
check "hiding unmaps the tray owner" wait_for 5 eval '[ "$(map_state "$TRAY_OWNER")" = IsUnMapped ]'
check "another client's keyboard grab fails while locked" test "$(probe_grab)" = AlreadyGrabbed
check "another client's pointer grab fails while locked" test "$(probe_grab --pointer)" = AlreadyGrabbed
check "the lock's box is in front" on_top "$BOX"
screenshot locked

TREE=$(xwininfo -root -tree | grep -v "^ *$" | awk '{print $1}' | sort)
for i in 1 2 3 4 5; do driver hide-once; done
check "repeating the hiding steps changes nothing" test "$(states)" = "IsUnMapped IsUnMapped IsUnMapped IsUnMapped IsUnMapped"
check "icewm kept its task bar (same windows)" test "$(xwininfo -root -tree | grep -v "^ *$" | awk '{print $1}' | sort)" = "$TREE"
check "the grab is still held after repeating" test "$(probe_grab)" = AlreadyGrabbed

# A panel that comes back is hidden again by the next tick.
xdotool windowmap "$FRAME"
check "a task bar mapped again by someone else is hidden again" wait_for 5 eval '[ "$(map_state "$FRAME")" = IsUnMapped ]'

# --- Window layer --------------------------------------------------------
OUT=$("$T/raiser" --count 5 --interval 50 --timeout 500)
RC=$?
echo "$OUT" | tail -1 | sed 's/^/  managed window raised above the lock: /'
check "a managed window raised above the lock is pushed under (each time within 500 ms)" test $RC -eq 0 -a "$(echo "$OUT" | grep -c '^under')" -eq 5
OUT=$("$T/raiser" --override --count 40 --interval 5 --timeout 500)
RC=$?
echo "$OUT" | tail -1 | sed 's/^/  override-redirect window raising itself every 5 ms: /'
check "an override-redirect window that keeps raising itself stays below" test $RC -eq 0
check "the box is in front again afterwards" wait_for 5 on_top "$BOX"
check "the box stays above the background that owns it" \
  test "$(xwininfo -root -children | awk -v a="$BOX" -v b="$BG" '$1==a{print "box"; exit} $1==b{print "bg"; exit}')" = box

read -r X0 Y0 < <(window_position "$BOX")
xdotool windowmove "$BOX" 5 5
check "a lock box moved by another client goes back" wait_for 5 eval '[ "$(window_position "$BOX")" = "$X0 $Y0" ]'
driver "move 40 30"
check "the program's own move of the box holds" wait_for 5 eval '[ "$(window_position "$BOX")" = "40 30" ]'
driver hide-once; driver hide-once
check "and is not undone by later ticks" test "$(window_position "$BOX")" = "40 30"
xdotool windowunmap "$BOX"
check "a lock box unmapped by another client is mapped again" wait_for 5 is_viewable "$BOX"
xdotool windowunmap "$BG"
check "its background unmapped by another client is mapped again" wait_for 5 is_viewable "$BG"
check "the grab is taken again after the unmap" wait_for 5 eval '[ "$(probe_grab)" = AlreadyGrabbed ]'

# --- Restoring -----------------------------------------------------------
driver restore
check "restoring brings back icewm's task bar and its parts as they were" test "$(states)" = "$BEFORE"
check "restoring brings back the dock" wait_for 5 is_viewable "$DOCK"
check "restoring brings back the tray owner" wait_for 5 is_viewable "$TRAY_OWNER"
check "another client can grab the keyboard after restoring" test "$(probe_grab)" = Success
check "and the pointer" test "$(probe_grab --pointer)" = Success
driver restore
check "repeating the restoring steps changes nothing" test "$(states)" = "$BEFORE"
check "the grab stays released" test "$(probe_grab)" = Success

# --- A grab held elsewhere when the hiding runs ----------------------------
"$T/grabprobe" hold 800 2000 >"$E2E_TMP/hold.out" & E2E_PIDS+=($!)
wait_for 5 grep -q held "$E2E_TMP/hold.out" >/dev/null
driver lock
check "the hiding steps still hide the task bar while another client holds the keyboard" wait_for 5 all_hidden
check "the lock takes the grab after the other client lets go" \
  wait_for 10 grep -q '^taken' "$E2E_TMP/hold.out"
TAKEN=$(awk '/^taken/{print $2}' "$E2E_TMP/hold.out")
echo "  grab taken ${TAKEN:-never} ms after the other client let go"
check "it takes it within 500 ms" awk -v t="${TAKEN:-9999}" 'BEGIN{exit !(t < 500)}'
driver restore

# --- Why a lock could not hold the display ---------------------------------
reason_of() { printf 'reason\nquit\n' | env "$@" "$T/lockdriver" 2>/dev/null | sed -n 's/^reason //p'; }
check "no reason not to lock on this X display" test -z "$(reason_of X=1)"
# The grabs are taken on the X connection directly, so the toolkit's switch that
# turns its own grabs off is no reason.
check "QT_XCB_NO_GRAB_SERVER is no reason" test -z "$(reason_of QT_XCB_NO_GRAB_SERVER=1)"
check "a Wayland session is named as a reason" eval 'reason_of WAYLAND_DISPLAY=wayland-0 | grep -q Wayland'
check "a non-X11 Qt platform is named as a reason" eval 'reason_of QT_QPA_PLATFORM=offscreen | grep -q "not an X11 display"'

# --- The display going away ends a lock at once, unlocking nothing ----------
driver lock
kill -9 "${E2E_PIDS[0]}" # Xvfb
for i in $(seq 1 100); do kill -0 "$DRIVER_PID" 2>/dev/null || break; sleep 0.05; done
wait "$DRIVER_PID"; RC=$?
check "the lock ends with a failure status when the display is gone" test "$RC" -ne 0 -a "$RC" -ne 137
check "and says why" grep -q "display is gone" "$E2E_TMP/driver.err"
exec {DRIVER_FD}>&- 2>/dev/null

finish
