#pragma once
// One try of a typed password, as every prompt makes it: the stored password
// is read afresh and compared exactly, and a wrong one is appended to the
// intruder log under the prompt's heading and starts the intruder command
// (rules/IntruderCommand.h).

#include "rules/WrongPasswordCount.h"

#include <QString>

#include <functional>

enum class VerifyOutcome {
    Match,       // the typed text is the password
    Recorded,    // wrong: record appended (the prompt rings and empties its box)
    NotRecorded, // wrong, but the record could not be written (the box keeps its text)
    NoChange,    // no password was set (the empty one was written now) or the
                 // file cannot be read: the prompt stays as it was and says nothing
};

// wrong: run on a wrong password before it is recorded (the prompt's bell
// comes first, so that a slow disk never delays it). count numbers the
// prompt's wrong passwords for the intruder command.
VerifyOutcome TryPassword(const QString &typed, const QString &heading, WrongPasswordCount &count,
                          const std::function<void()> &wrong = {});

// For a prompt whose message boxes come before its record: the intruder
// command for a wrong password typed at `moment`, started at once (it never
// waits for the boxes), told whether the log can take the record.
void WrongPasswordBeforeRecord(WrongPasswordCount &count, const QDateTime &moment);
