// When a lock must refuse to come up because it could not hold the keyboard.

#include "platform/x11/X11LockCapability.h"
#include "support/Sandbox.h"

using platform::x11::CannotLockReason;
using platform::x11::LockFacts;
using platform::x11::TracerPidFrom;

namespace {

class LockCapabilityTest : public testing_support::SandboxTest {
protected:
    static LockFacts PlainX11()
    {
        LockFacts f;
        f.qtPlatform = QStringLiteral("xcb");
        f.sessionType = "x11";
        return f;
    }
};

TEST_F(LockCapabilityTest, APlainX11SessionCanLock)
{
    EXPECT_TRUE(CannotLockReason(PlainX11()).isEmpty());
}

TEST_F(LockCapabilityTest, EachWayTheKeyboardCouldSlipPastIsNamed)
{
    LockFacts f = PlainX11();
    f.qtPlatform = QStringLiteral("wayland");
    EXPECT_TRUE(CannotLockReason(f).contains("not an X11 display")) << CannotLockReason(f).toStdString();
    EXPECT_TRUE(CannotLockReason(f).contains("wayland"));

    f = PlainX11();
    f.qtPlatform = QStringLiteral("offscreen");
    EXPECT_FALSE(CannotLockReason(f).isEmpty());

    f = PlainX11();
    f.serverIsXwayland = true;
    EXPECT_TRUE(CannotLockReason(f).contains("Wayland"));

    f = PlainX11();
    f.waylandDisplay = "wayland-0";
    EXPECT_TRUE(CannotLockReason(f).contains("Wayland"));

    f = PlainX11();
    f.sessionType = "Wayland";
    EXPECT_TRUE(CannotLockReason(f).contains("Wayland")) << "the session type is compared without case";

    f = PlainX11();
    f.tracerPid = 4242;
    EXPECT_TRUE(CannotLockReason(f).contains("4242"));
}

TEST_F(LockCapabilityTest, TracerPidIsReadFromTheStatusText)
{
    EXPECT_EQ(0, TracerPidFrom("Name:\tgardlock\nState:\tS (sleeping)\nTracerPid:\t0\nUid:\t1000\n"));
    EXPECT_EQ(31337, TracerPidFrom("Name:\tgardlock\nTracerPid:\t31337\nUid:\t1000\n"));
    EXPECT_EQ(0, TracerPidFrom("Name:\tgardlock\n")) << "a kernel without the field: not traced";
}

TEST_F(LockCapabilityTest, ThisTestProcessIsSeenAsItIs)
{
    // Run by ctest, on the offscreen platform and untraced.
    const LockFacts f = platform::x11::ProcessLockFacts();
    EXPECT_EQ(QStringLiteral("offscreen"), f.qtPlatform);
    EXPECT_FALSE(CannotLockReason(f).isEmpty());
}

} // namespace
