#include "platform/supervision/LockSupervision.h"
#include "platform/Platform.h"

namespace platform {

namespace {

class Unsupervised : public LockSupervision {
public:
    void LockStarting(LockKind) override {}
    void LockShown() override {}
    void LockEnded() override {}
    bool PicturesAllowed() const override { return true; }
};

} // namespace

LockSupervision &lockSupervision()
{
    static Unsupervised none;
    LockSupervision *supervision = installed().supervision;
    return supervision ? *supervision : none;
}

} // namespace platform
