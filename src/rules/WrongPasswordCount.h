#pragma once
// The number of each wrong password at one prompt, as the intruder command
// is told it: 1, 2, ... for as long as the prompt lives. A lock counts its
// own way, across its relaunches (lock/LockWrongPasswordCount.h).

#include <QDateTime>

class WrongPasswordCount {
public:
    virtual ~WrongPasswordCount() = default;
    // The number of the wrong password typed at `moment`.
    virtual int Next(const QDateTime &moment)
    {
        (void)moment;
        return ++m_count;
    }

private:
    int m_count = 0;
};
