#include "rules/PasswordAttempt.h"

#include "rules/IntruderLog.h"
#include "rules/PasswordStore.h"

VerifyOutcome TryPassword(const QString &typed, const QString &heading, const std::function<void()> &wrong)
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
    return AppendIntruderRecord(heading, typed) ? VerifyOutcome::Recorded : VerifyOutcome::NotRecorded;
}
