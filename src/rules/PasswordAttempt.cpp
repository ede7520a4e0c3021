#include "rules/PasswordAttempt.h"

#include "rules/IntruderCommand.h"
#include "rules/IntruderLog.h"
#include "rules/PasswordStore.h"

VerifyOutcome TryPassword(const QString &typed, const QString &heading, WrongPasswordCount &count,
                          const std::function<void()> &wrong)
{
    switch (CheckPassword(typed)) {
    case PasswordCheck::CreatedEmpty:
    case PasswordCheck::Unavailable:
        return VerifyOutcome::NoChange;
    case PasswordCheck::Match:
        return VerifyOutcome::Match;
    case PasswordCheck::Mismatch:
        break;
    }
    if (wrong)
        wrong();
    // One moment for the record and the command. Counted first: a lock's
    // supervisor knows of it before the record shows.
    const QDateTime moment = QDateTime::currentDateTime();
    const int attempt = count.Next(moment);
    const bool recorded = AppendIntruderRecord(heading, typed, moment);
    StartIntruderCommand(attempt, moment, recorded);
    return recorded ? VerifyOutcome::Recorded : VerifyOutcome::NotRecorded;
}

void WrongPasswordBeforeRecord(WrongPasswordCount &count, const QDateTime &moment)
{
    StartIntruderCommand(count.Next(moment), moment, IntruderLogAppendable());
}
