#!/bin/bash
# The intruder command of the settings file ([Options] IntruderCommand): a
# script that records what it gets runs once per wrong password at a lock
# (numbered on across a relaunch of the lock's program) and at the
# uninstall guard (there while the guard's message box is still
# up, before the record), detached from the lock and never seeing the typed
# text; a settings file others can write runs none; a command that sleeps on
# neither delays the unlock nor lets another start, and past 60 s SIGTERM
# ends it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lock_common.sh"

TITLE="Desktop status: Locked"
RUNS="$E2E_TMP/runs"
mkdir -p "$RUNS"
# What a run got: its environment, arguments, standard input, descriptors,
# signals and session, one file each, named by GARDLOCK_ATTEMPT.
cat >"$E2E_TMP/record.sh" <<REC
#!/bin/sh
at="$RUNS/\$GARDLOCK_ATTEMPT.\$\$"
env >"\$at.env"
echo "\$0 \$*" >"\$at.args"
cat >"\$at.stdin"
# What a program it starts inherits (the shell's own script descriptor is close-on-exec).
sleep 30 &
ls -l /proc/\$!/fd/ >"\$at.fds"
kill \$!
grep -E '^(SigBlk|SigIgn):' /proc/\$\$/status >"\$at.signals"
ps -o sid= -p \$\$ >"\$at.session"
touch "\$at.done"
REC
# Records its start, then runs on until a signal ends it.
cat >"$E2E_TMP/slow.sh" <<SLOW
#!/bin/sh
echo started >>"$RUNS/slow.starts"
trap 'echo TERM >"$RUNS/slow.term"; exit 0' TERM
sleep 90 &
wait
SLOW
chmod +x "$E2E_TMP/record.sh" "$E2E_TMP/slow.sh"

runs_done() { ls "$RUNS"/*.done 2>/dev/null | wc -l; }
runs_done_are() { [ "$(runs_done)" = "$1" ]; }
run_file() { ls "$RUNS/$1".*."$2" 2>/dev/null | head -1; } # attempt kind
no_typed_text() { ! grep -rh -e Wrongfirst -e Wrongsecond -e Guardwrong "$RUNS"; }

start_desktop
set_password "Right"
set_setting IntruderCommand "$E2E_TMP/record.sh"

start_gardlock /d
check "the Normal lock comes up" wait_for 20 shown_named "$TITLE"
check "it holds the keyboard" wait_for 20 keyboard_grab_held
LOCK_SESSION=$(ps -o sid= -p "$GARDLOCK_PID")
xdotool type --delay 40 Wrongfirst; xdotool key Return
check "a wrong password is recorded" wait_for 20 records_are 1
check "... and runs the command once" wait_for 20 runs_done_are 1
xdotool type --delay 40 Wrongsecond; xdotool key Return
check "a second one runs it again" wait_for 20 runs_done_are 2
# The lock counts on across a relaunch of its program.
PROGRAM=$(lock_process)
kill -9 $PROGRAM
check "the lock's program killed, a new one brings it back" wait_for 20 lock_process_replaced "$PROGRAM"
check "... and shows it" wait_for 20 shown_named "$TITLE"
xdotool type --delay 40 Wrongsecond; xdotool key Return
check "a wrong password there runs it a third time" wait_for 20 runs_done_are 3
xdotool type --delay 40 Right; xdotool key Return
await_end lock
check "the right password ends the lock with 0 (got $STATUS)" test "$STATUS" = 0
check "one run per wrong password" runs_done_are 3
check "they are attempts 1, 2 and, after the relaunch, 3" \
  test -n "$(run_file 1 env)" -a -n "$(run_file 2 env)" -a -n "$(run_file 3 env)"
check "each knows the time as the log writes it" \
  grep -qE '^GARDLOCK_TIME=[0-9]+/[0-9]+/[0-9]{4} [0-9]+:[0-9]{2}:[0-9]{2} [AP]M$' "$(run_file 2 env)"
check "... and that its record was written" grep -qx GARDLOCK_RECORDED=1 "$(run_file 1 env)"
check "no run saw the typed text (environment, arguments, input)" no_typed_text
check "its input was empty" test ! -s "$(run_file 1 stdin)"
check "it holds no descriptor of the lock (no socket, pipe or shared buffer)" \
  bash -c "! grep -E 'socket:|pipe:|memfd:|/dev/shm' '$(run_file 1 fds)'"
check "its standard streams are /dev/null" \
  test "$(grep -cE ' [012] -> /dev/null$' "$(run_file 1 fds)")" = 3
# glibc's own two signals (32, 33), which no program may use, aside: its
# posix_spawn leaves them ignored.
no_signal_held() {
  local kind value
  while read -r kind value; do (( (0x$value & ~0x180000000) == 0 )) || return 1; done <"$(run_file 1 signals)"
}
check "no signal is blocked or ignored in it" no_signal_held
check "it runs in a session of its own" test "$(tr -d ' ' <"$(run_file 1 session)")" != "$(echo $LOCK_SESSION)"

# The uninstall guard shows its boxes before the record: the command does not wait for them.
HEADING="An unauthorized person tried to uninstall this program by typing as a password:"
start_gardlock /u
check "the uninstall guard comes up" wait_for 20 shown_named "Gardlock 2001 Uninstall"
check "... holding the keyboard" wait_for 20 keyboard_grab_held
xdotool type --delay 40 Guardwrong; xdotool key Return
check "its wrong password says \"Access Denied!\"" wait_for 20 shown_named "Access Denied!"
check "... and the command has run while the box is up" wait_for 20 runs_done_are 4
check "... numbered 1 at this prompt" test -n "$(run_file 1 env)" -a "$(ls "$RUNS"/1.*.env | wc -l)" = 2
check "... before the record" bash -c "! grep -q '^$HEADING' '$DRIVE_C/intruder.log'"
xdotool key Return
check "then the box saying it was logged" wait_for 20 shown_named "Gardlock 2001"
xdotool key Return
check "then the record" wait_for 20 grep -q "^$HEADING" "$DRIVE_C/intruder.log"
check "no run saw the typed text" no_typed_text
xdotool type --delay 40 Right; xdotool key Return
await_end guard
check "the right password ends the guard with 0 (got $STATUS)" test "$STATUS" = 0

# Settings another user could have written name no command.
chmod o+w "$XDG_CONFIG_HOME/DW2001.conf"
start_gardlock /d
check "the lock comes up again" wait_for 20 shown_named "$TITLE"
check "... holding the keyboard" wait_for 20 keyboard_grab_held
xdotool type --delay 40 Wrongfirst; xdotool key Return
check "a wrong password is recorded" wait_for 20 records_are 4
check "one line says why no command runs" wait_for 20 grep -q "the intruder command is not run: .*DW2001.conf can be written by every user" "$E2E_TMP/gardlock.out"
xdotool type --delay 40 Right; xdotool key Return
await_end untrusted
check "unlocked with 0 (got $STATUS)" test "$STATUS" = 0
check "no command ran" runs_done_are 4

# A command that runs on.
chmod o-w "$XDG_CONFIG_HOME/DW2001.conf"
set_setting IntruderCommand "$E2E_TMP/slow.sh"
start_gardlock /d
check "the lock comes up with the slow command" wait_for 20 shown_named "$TITLE"
check "... holding the keyboard" wait_for 20 keyboard_grab_held
xdotool type --delay 40 Wrongfirst; xdotool key Return
check "a wrong password starts it" wait_for 20 test -s "$RUNS/slow.starts"
xdotool type --delay 40 Wrongsecond; xdotool key Return
check "the next wrong password is recorded as always" wait_for 20 records_are 6
xdotool type --delay 40 Right; xdotool key Return
await_end slow
check "the right password ends the lock at once with 0 (got $STATUS)" test "$STATUS" = 0
slow_runs() { pgrep -f -- "^/bin/sh $E2E_TMP/slow.sh"; }
slow_running() { [ -n "$(slow_runs)" ]; }
check "... while the command still runs" slow_running
check "only one started while it ran" test "$(wc -l <"$RUNS/slow.starts")" = 1
for pid in $(slow_runs); do E2E_PIDS+=("$pid"); done
check "past 60 s SIGTERM ends it" wait_for 80 test -s "$RUNS/slow.term"
finish
