#pragma once
// A lock numbers its wrong passwords across its relaunches: each one goes to
// the supervisor (which keeps them for the notice after the unlock), and the
// number comes from there.

#include "platform/supervision/LockSupervision.h"
#include "rules/WrongPasswordCount.h"

class LockWrongPasswordCount : public WrongPasswordCount {
public:
    int Next(const QDateTime &moment) override
    {
        return platform::lockSupervision().WrongPassword(moment.toSecsSinceEpoch());
    }
};
