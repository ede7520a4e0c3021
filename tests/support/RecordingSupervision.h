#pragma once
// Stands in for the supervisor link: logs the lock's reports in order.

#include "platform/LockSupervision.h"

#include <QStringList>

namespace testing_support {

class RecordingLockSupervision : public platform::LockSupervision {
public:
    QStringList reports; // "starting Normal", "starting NtStyle", "shown", "ended"
    bool picturesAllowed = true;
    void LockStarting(platform::SupervisedLock lock) override
    {
        reports << (lock == platform::SupervisedLock::Normal ? "starting Normal" : "starting NtStyle");
    }
    void LockShown() override { reports << "shown"; }
    void LockEnded() override { reports << "ended"; }
    bool PicturesAllowed() const override { return picturesAllowed; }
};

} // namespace testing_support
