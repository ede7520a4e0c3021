#include "platform/supervision/LockSupervision.h"

namespace platform {

namespace {

class Unsupervised : public LockSupervision {
public:
    void LockStarting(LockKind) override {}
    void LockShown() override {}
    void LockEnded() override {}
    bool PicturesAllowed() const override { return true; }
};

LockSupervision *g_supervision = nullptr;

} // namespace

LockSupervision &lockSupervision()
{
    static Unsupervised none;
    return g_supervision ? *g_supervision : none;
}

void installLockSupervision(LockSupervision *supervision)
{
    g_supervision = supervision;
}
} // namespace platform
