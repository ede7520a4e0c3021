#pragma once
// The owner's own command for each wrong password at any prompt: the setting
// [Options] IntruderCommand (empty: none), run through /bin/sh -c with
// GARDLOCK_ATTEMPT, GARDLOCK_TIME (the date and time as the log writes them)
// and GARDLOCK_RECORDED (1, or 0 when the record could not be written). The
// typed text is never passed.
//
// It runs detached under a watchdog of its own (the front's
// --intruder-command, front/CommandWatchdog.h) that ends it after 60 s, one
// at a time: while one runs (in any process of the program) a wrong
// password starts none. Nothing here waits for it, and a command that
// cannot be started changes nothing. A settings file that another user
// could have written runs no command; one line on stderr says why.

#include <QDateTime>

void StartIntruderCommand(int attempt, const QDateTime &moment, bool recorded);
