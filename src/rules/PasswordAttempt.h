#pragma once
// One try of a typed password, as every prompt makes it: the stored password
// is read afresh and compared exactly, and a wrong one is appended to the
// intruder log under the prompt's heading.

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
// comes first, so that a slow disk never delays it).
VerifyOutcome TryPassword(const QString &typed, const QString &heading, const std::function<void()> &wrong = {});
