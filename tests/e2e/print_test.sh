#!/bin/bash
# Printing the log, end to end: a private CUPS server with a file-backed
# default queue, the Log Viewer's "&Print...", the print dialog, two copies,
# the "printing..." window for three seconds, and the PDF that reaches the
# queue read back as text. Then the server goes away and the next print
# brings the "Corvane Printer Service" message. Skips (exit 77, with the
# reason) when no private CUPS server can be started here.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cups_lib.sh"

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
gone() { ! visible_window "$1" >/dev/null; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

if ! start_private_cups; then
  echo "SKIPPED: the printing test needs a private CUPS server, and none could be started: $CUPS_PROBLEM"
  exit 77
fi
for tool in pdftotext xclip; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"; exit 77; }
done
check "the private CUPS server runs with its test queue as the default" bash -c "lpstat -d | grep -q GardlockTest"

# Places in the viewer and the dialog (src/intruderlog/frmLogViewer.cpp, frmPrtDlg.cpp).
NAV_Y=11 NAV_VIEWLOG=172 PRINT_X=574 BUTTONS_Y=366
NAME_X=198 NAME_Y=98 COPIES_X=338 COPIES_Y=234 OK_X=282 OK_Y=302

start_desktop
mkdir -p "$DRIVE_C"
printf '"pw"\r\n' >"$DRIVE_C/cslckrt.sys"
printf 'An unauthorized person tried to access this system by typing as a password:\r\ncaf\xe9 On 1/2/2003 4:05:06 AM.\r\n\r\n' >"$DRIVE_C/intruder.log"

start_gardlock /s
PASS=$(wait_for 20 visible_window "Password Settings - Gardlock 2001")
click_in "$PASS" $NAV_VIEWLOG $NAV_Y
LOG=$(wait_for 20 visible_window "Log Viewer - Gardlock 2001")
check "the Log Viewer opens" test -n "$LOG"

click_in "$LOG" $PRINT_X $BUTTONS_Y
DLG=$(wait_for 20 visible_window "Printer Settings - Gardlock 2001")
check "Print... opens the print dialog" test -n "$DLG"
wait_for 10 is_active "$DLG" >/dev/null
sleep 0.5; screenshot 01-print-dialog

click_in "$DLG" $NAME_X $NAME_Y
xdotool key ctrl+a ctrl+c; sleep 0.3
check "the printer box names the default printer" test "$(xclip -o -selection clipboard 2>/dev/null)" = GardlockTest

# A record added while the dialog is open is in the print.
printf 'added while open\r\n' >>"$DRIVE_C/intruder.log"

click_in "$DLG" $COPIES_X $COPIES_Y # the focus selects the whole "1"
sleep 0.3
xdotool type "2"
STARTED=$(now_ms) # before the click: the window cannot have started earlier
click_in "$DLG" $OK_X $OK_Y
check "OK closes the dialog at once" wait_for 5 gone "Printer Settings - Gardlock 2001"
sleep 1; screenshot 02-printing
check "nothing reaches the printer during the first second" test ! -e "$PRINT_OUT/GardlockTest.out"
check "the job reaches the default queue" wait_for 30 test -s "$PRINT_OUT/GardlockTest.out"
ARRIVED=$(now_ms)
echo "the job arrived $((ARRIVED - STARTED)) ms after OK was clicked"
check "the printing window stood for 3 seconds before the job was sent" test $((ARRIVED - STARTED)) -ge 3000
check "the queue received a PDF" bash -c "head -c 5 '$PRINT_OUT/GardlockTest.out' | grep -q '%PDF-'"
cp "$PRINT_OUT/GardlockTest.out" "$E2E_OUT/printed.pdf"
TEXT=$(pdftotext -layout "$PRINT_OUT/GardlockTest.out" - 2>/dev/null)
printf '%s\n' "$TEXT" >"$E2E_OUT/printed.txt"
check "the print starts with the heading" bash -c "printf '%s\n' \"\$1\" | grep -v '^\$' | head -2 | tr '\n' '|' | grep -qx 'Gardlock 2001|____________________|'" _ "$TEXT"
check "the log's records follow, decoded from Windows-1252" bash -c "printf '%s\n' \"\$1\" | grep -q 'café On 1/2/2003 4:05:06 AM.'" _ "$TEXT"
check "with the record added while the dialog was open" bash -c "printf '%s\n' \"\$1\" | grep -q 'added while open'" _ "$TEXT"
check "the job asks for the two copies entered" test "$(job_copies 1)" = 2
command -v pdftoppm >/dev/null && pdftoppm -png -r 50 -f 1 -l 1 "$PRINT_OUT/GardlockTest.out" "$E2E_OUT/03-printed-page" 2>/dev/null

# The server goes away: the next print fails after the printing window.
stop_private_cups
click_in "$LOG" $PRINT_X $BUTTONS_Y
DLG=$(wait_for 20 visible_window "Printer Settings - Gardlock 2001")
check "the print dialog opens without a server too" test -n "$DLG"
click_in "$DLG" $OK_X $OK_Y
FAILED=$(wait_for 30 visible_window "Corvane Printer Service")
check "a print that cannot be sent brings the printer service message" test -n "$FAILED"
sleep 0.5; screenshot 04-printer-not-ready
xdotool key Return
check "the message closes" wait_for 10 gone "Corvane Printer Service"
check "the viewer stays" bash -c "xdotool search --onlyvisible --name '^Log Viewer - Gardlock 2001$' >/dev/null"
finish
