#pragma once
// Stands in for the supervisor link: logs the lock's reports in order.

#include "platform/supervision/LockSupervision.h"

#include <QStringList>

namespace testing_support {

class RecordingLockSupervision : public platform::LockSupervision {
public:
    QStringList reports; // "starting Normal", "starting NtStyle", "shown", "ended"
    bool picturesAllowed = true;
    void LockStarting(LockKind lock) override
    {
        reports << (lock == LockKind::Normal ? "starting Normal" : "starting NtStyle");
    }
    void LockShown() override { reports << "shown"; }
    void LockEnded() override { reports << "ended"; }
    bool PicturesAllowed() const override { return picturesAllowed; }
};

} // namespace testing_support
