#!/bin/bash
# The update check and the news viewer with the real executable against a
# download host on 127.0.0.1 (tests/e2e/webserver.py), one check after
# another from the main screen's update line.
source "$(dirname "$0")/lib.sh"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
visible_count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
gone() { ! visible_window "$1" >/dev/null; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
UPDATE_TITLE="Corvane Technologies Online" NEWS_TITLE="Web Updates: Gardlock 2001"
OK_X=258 OK_Y=186 CANCEL_X=358 CANCEL_Y=186 WEBSITE_X=360 WEBSITE_Y=374 CLOSE_X=464 CLOSE_Y=374

# The download host.
FILES="$E2E_TMP/files"; mkdir -p "$FILES"
python3 "$(dirname "$0")/webserver.py" "$FILES" "$E2E_TMP/port" 2>"$E2E_TMP/server.log" &
E2E_PIDS+=($!)
wait_for 10 test -s "$E2E_TMP/port" >/dev/null || { echo "the test server did not start"; exit 1; }
PORT=$(cat "$E2E_TMP/port")
set_folder() { printf '[Web]\nDownloadFolder=%s\n' "$1" >"$XDG_CONFIG_HOME/DW2001.conf"; }
requests() { grep -c "request /files/$1" "$E2E_TMP/server.log"; }

# "&Website" goes to a recorder, never a browser.
cat >"$E2E_TMP/bin/xdg-open" <<REC
#!/bin/sh
echo "\$*" >> "$E2E_TMP/opened.record"
REC
chmod +x "$E2E_TMP/bin/xdg-open"

start_desktop
mkdir -p "$DRIVE_C"; printf '"pw"\r\n' >"$DRIVE_C/cslckrt.sys"
set_folder "http://127.0.0.1:$PORT/files/"
start_gardlock
MAIN=$(wait_for 20 visible_window "Gardlock 2001")
check "the main screen comes up" test -n "$MAIN"

# open_update: clicks the update line; sets UPDATE to the window.
open_update() {
  click_in "$MAIN" 300 252
  UPDATE=$(wait_for 10 visible_window "$UPDATE_TITLE")
}
# The window ended its check with "&OK" shown: clicking where it sits closes it.
ok_closes() { click_in "$UPDATE" $OK_X $OK_Y; wait_for 3 gone "$UPDATE_TITLE" >/dev/null; }

for version in "2.0" "10.0" "2"; do
  printf '%s' "$version" >"$FILES/application.ver"
  before=$(requests application.ver)
  open_update
  check "\"$version\": the update window opens" test -n "$UPDATE"
  check "\"$version\": the version is fetched once" wait_for 5 test "$(requests application.ver)" -eq $((before + 1))
  sleep 0.3
  [ "$version" = 2.0 ] && screenshot 01-no-update
  check "\"$version\": no news viewer and no message" test "$(visible_count "$NEWS_TITLE")" -eq 0 -a "$(visible_count "Gardlock 2001")" -eq 1
  check "\"$version\": no update, and \"&OK\" closes the window" ok_closes
done

# An empty version file: the window stays downloading, without "&OK".
: >"$FILES/application.ver"
open_update
check "empty file: the window opens" test -n "$UPDATE"
sleep 0.5
click_in "$UPDATE" $OK_X $OK_Y; sleep 0.5
check "empty file: the window stays, without \"&OK\"" visible_window "$UPDATE_TITLE"
screenshot 02-empty-version
click_in "$UPDATE" $CANCEL_X $CANCEL_Y
check "empty file: \"&Cancel\" closes it" wait_for 3 gone "$UPDATE_TITLE"

# A newer version: the news viewer, with the disk copy.
printf '2.1' >"$FILES/application.ver"
printf 'Gardlock 2001 version 2.1 is out.\r\nPlain news.' >"$FILES/news2.txt"
open_update
NEWS=$(wait_for 10 visible_window "$NEWS_TITLE")
check "\"2.1\": the news viewer opens" test -n "$NEWS"
check "\"2.1\": the update window is gone" wait_for 3 gone "$UPDATE_TITLE"
check "\"2.1\": C:\\news2.txt holds the news and CR LF" \
  cmp -s "$DRIVE_C/news2.txt" <(printf 'Gardlock 2001 version 2.1 is out.\r\nPlain news.\r\n')
sleep 0.3; screenshot 03-plain-news
click_in "$NEWS" $WEBSITE_X $WEBSITE_Y
check "\"&Website\" opens the update page" wait_for 5 grep -q "/deskward/update.htm" "$E2E_TMP/opened.record"
click_in "$NEWS" $CLOSE_X $CLOSE_Y
check "\"&Close\" closes the viewer" wait_for 3 gone "$NEWS_TITLE"
check "the copy stays on disk" test -s "$DRIVE_C/news2.txt"

# "2.0" and a line break is newer; rich news.
printf '2.0\r\n' >"$FILES/application.ver"
printf '{\\rtf1\\ansi {\\b Rich} news\\par second line}' >"$FILES/news2.txt"
open_update
NEWS=$(wait_for 10 visible_window "$NEWS_TITLE")
check "\"2.0\" and a line break: the news viewer opens" test -n "$NEWS"
check "rich news: C:\\news2.txt holds it and CR LF" \
  cmp -s "$DRIVE_C/news2.txt" <(printf '{\\rtf1\\ansi {\\b Rich} news\\par second line}\r\n')
sleep 0.3; screenshot 04-rich-news
click_in "$NEWS" $CLOSE_X $CLOSE_Y
wait_for 3 gone "$NEWS_TITLE" >/dev/null

# Files of 100 MB: only the bytes that matter are read, the news is cut and
# the program stays small.
{ printf '9'; head -c 104857600 /dev/zero; } >"$FILES/application.ver"
{ printf '{\\rtf1 '; head -c 104857600 /dev/zero | tr '\0' '{'; } >"$FILES/news2.txt"
open_update
NEWS=$(wait_for 15 visible_window "$NEWS_TITLE")
check "100 MB files: the news viewer opens" test -n "$NEWS"
check "100 MB files: the disk copy is the news cut at 512 KiB, and CR LF" \
  test "$(stat -c %s "$DRIVE_C/news2.txt")" -eq $((512 * 1024 + 2))
# The program runs in a child of the process started (its supervisor).
PROGRAM_PID=$(pgrep -P "$GARDLOCK_PID" | head -1)
rss_kb=$(awk '/^VmHWM/{print $2}' "/proc/${PROGRAM_PID:-$GARDLOCK_PID}/status")
check "100 MB files: the program's peak memory stays small (${rss_kb} kB)" test "$rss_kb" -lt 300000
click_in "$NEWS" $CLOSE_X $CLOSE_Y
check "100 MB files: \"&Close\" closes the viewer" wait_for 5 gone "$NEWS_TITLE"
rm -f "$FILES/application.ver" "$FILES/news2.txt"

# No server: one message, and the window is gone.
# The port stays bound (never listening, so connections are refused) while
# it is used: a port let go at once could be taken by another test's server.
python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0))
print(s.getsockname()[1], flush=True)
time.sleep(600)' >"$E2E_TMP/closed-port" &
E2E_PIDS+=($!)
wait_for 10 test -s "$E2E_TMP/closed-port" >/dev/null
CLOSED_PORT=$(cat "$E2E_TMP/closed-port")
set_folder "http://127.0.0.1:$CLOSED_PORT/files/"
open_update
check "no server: a message box comes up" wait_for 10 test "$(visible_count "Gardlock 2001")" -eq 2
check "no server: the update window is gone" wait_for 5 gone "$UPDATE_TITLE"
screenshot 05-update-failed
xdotool key --clearmodifiers Return
check "no server: one message only" wait_for 5 test "$(visible_count "Gardlock 2001")" -eq 1
sleep 0.5
check "no server: no second message" test "$(visible_count "Gardlock 2001")" -eq 1

# A server that never answers: "&Cancel" closes the window at once.
set_folder "http://127.0.0.1:$PORT/hang/"
open_update
check "hanging server: the window opens" test -n "$UPDATE"
sleep 1
start=$(date +%s%N)
click_in "$UPDATE" $CANCEL_X $CANCEL_Y
wait_for 3 gone "$UPDATE_TITLE" >/dev/null
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
check "hanging server: \"&Cancel\" closes the window at once (${elapsed} ms)" test "$elapsed" -lt 1000
sleep 1
check "hanging server: nothing opens afterwards" test "$(visible_count "Gardlock 2001")" -eq 1 -a "$(visible_count "$NEWS_TITLE")" -eq 0
check "the program is still running" kill -0 "$GARDLOCK_PID"

click_in "$MAIN" 576 398 # "&Exit"
wait_exit 20
check "Exit ends the program" test "$STATUS" = 0
finish
