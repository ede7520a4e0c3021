// Both locks on a desktop of several monitors: the window covers the whole
// root, the picture, panel, clock and boxes sit on the primary monitor, and a
// change the display reports while locked is followed at the next tick.

#include "lock/frmBackground.h"
#include "lock/frmLock.h"
#include "lock/frmNormalLock.h"
#include "lock/frmVery.h"
#include "lock/lock_test_support.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>

#include <deque>

using testing_support::SandboxTest;

namespace {

// Two monitors side by side, the primary one on the right.
const QRect kWideRoot(0, 0, 2048, 768);
const QRect kRightPrimary(1024, 0, 1024, 768);

// Fires a window's timer of this interval once, as the event loop would
// (a shown window's: a hidden one's timers hold back).
void Tick(QWidget &window, int interval)
{
    window.show();
    for (QTimer *timer : window.findChildren<QTimer *>())
        if (TimerInterval(timer) == interval && timer->isActive())
            QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

QRect ChildGeometry(const QWidget &window, const char *name)
{
    const QWidget *child = window.findChild<QWidget *>(name);
    return child ? child->geometry() : QRect();
}

class MonitorsTest : public SandboxTest {
protected:
    void SetDesktop(QRect root, QRect primary)
    {
        shell().desktopArea = root;
        shell().primaryArea = primary;
        ++shell().desktopGeneration;
    }
    // Where the Normal lock's parts belong for a primary monitor (in the
    // window's coordinates, the window covering the root at 0, 0).
    static void ExpectNormalLayout(const frmNormalLock &lock, QRect root, QRect primary)
    {
        EXPECT_EQ(lock.geometry(), root);
        EXPECT_EQ(ChildGeometry(lock, "picBackground"), primary);
        EXPECT_EQ(ChildGeometry(lock, "fraPanel"),
                  QRect(primary.x() + int((primary.width() - 134) / 1.01), primary.y() + 19, 134, 32));
        EXPECT_EQ(ChildGeometry(lock, "lblClockWhite"),
                  QRect(primary.right() + 1 - 129, primary.y() + 2, 129, 12));
        EXPECT_EQ(ChildGeometry(lock, "lblClockBlack"),
                  QRect(primary.right() + 1 - 129, primary.y() + 3, 129, 12));
    }
    static QPoint CentredOn(QRect area, QSize size)
    {
        return QPoint(area.x() + (area.width() - size.width()) / 2,
                      area.y() + (area.height() - size.height()) / 2);
    }
};

struct Desktop {
    const char *what;
    QRect root;
    QRect primary;
};
const Desktop kDesktops[] = {
    {"one monitor", QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768)},
    {"primary on the right", kWideRoot, kRightPrimary},
    {"primary on the left of two", kWideRoot, QRect(0, 0, 1024, 768)},
    {"primary below a smaller one", QRect(0, 0, 1280, 1792), QRect(0, 768, 1280, 1024)},
};

TEST_F(MonitorsTest, NormalLockCoversTheRootAndLaysOutOnThePrimaryMonitor)
{
    for (const Desktop &d : kDesktops) {
        SCOPED_TRACE(d.what);
        SetDesktop(d.root, d.primary);
        ExpectNormalLayout(Forms::Get<frmNormalLock>(), d.root, d.primary);
        Forms::DestroyAll();
    }
}

TEST_F(MonitorsTest, NtBackgroundCoversTheRootWithThePictureAndBoxesOnThePrimaryMonitor)
{
    for (const Desktop &d : kDesktops) {
        SCOPED_TRACE(d.what);
        SetDesktop(d.root, d.primary);
        const frmBackground &background = Forms::Get<frmBackground>();
        EXPECT_EQ(background.geometry(), d.root);
        EXPECT_EQ(ChildGeometry(background, "picBackground"), d.primary);
        const frmLock &box = Forms::Get<frmLock>();
        EXPECT_EQ(box.pos(), CentredOn(d.primary, box.size()));
        const frmVery &prompt = Forms::Get<frmVery>();
        EXPECT_EQ(prompt.pos(), CentredOn(d.primary, prompt.size()));
        Forms::DestroyAll();
    }
}

TEST_F(MonitorsTest, HopsStayInTheUpperLeftQuarterOfThePrimaryMonitor)
{
    SetDesktop(kWideRoot, kRightPrimary);
    Forms::Get<frmBackground>();
    frmLock &box = Forms::Get<frmLock>();
    std::deque<double> draws{0.0, 0.0, 0.5, 0.25, 0.999999999, 0.999999999};
    frmLock::SetRandomSource([&] {
        const double r = draws.empty() ? 0.5 : draws.front();
        if (!draws.empty())
            draws.pop_front();
        return r;
    });
    const QPoint expected[] = {{1024, 0}, {1024 + 128, 192}, {1024 + 511, 383}};
    for (const QPoint &at : expected) {
        Tick(box, 4000);
        EXPECT_EQ(box.pos(), at);
    }
    frmLock::SetRandomSource([] { return 0.5; });
}

TEST_F(MonitorsTest, NormalLockFollowsAChangeAtTheNextLayerTickAndOnlyWhenOneIsReported)
{
    const QRect one(0, 0, 1024, 768);
    SetDesktop(one, one);
    frmNormalLock &lock = Forms::Get<frmNormalLock>();
    Tick(lock, 1);
    ExpectNormalLayout(lock, one, one);

    // Areas that move without a reported change are not read again on every tick.
    shell().desktopArea = kWideRoot;
    shell().primaryArea = kRightPrimary;
    Tick(lock, 1);
    EXPECT_EQ(lock.geometry(), one);

    struct Step {
        const char *what;
        QRect root;
        QRect primary;
    };
    const Step steps[] = {
        {"a second monitor on the right, made primary", kWideRoot, kRightPrimary},
        {"the root grown without a new monitor", QRect(0, 0, 2048, 1024), one},
        {"back to one monitor", one, one},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        SetDesktop(s.root, s.primary);
        Tick(lock, 1);
        ExpectNormalLayout(lock, s.root, s.primary);
    }
}

TEST_F(MonitorsTest, NtLockFollowsAChangeAtTheNextTick)
{
    const QRect one(0, 0, 1024, 768);
    SetDesktop(one, one);
    frmBackground &background = Forms::Get<frmBackground>();
    frmLock &box = Forms::Get<frmLock>();
    Tick(background, 3);
    Tick(box, 1);
    frmLock::SetRandomSource([] { return 0.0; });
    Tick(box, 4000); // hopped to the corner, away from the centre
    ASSERT_EQ(box.pos(), QPoint(0, 0));

    SetDesktop(kWideRoot, kRightPrimary);
    Tick(background, 3);
    EXPECT_EQ(background.geometry(), kWideRoot);
    EXPECT_EQ(ChildGeometry(background, "picBackground"), kRightPrimary);
    Tick(box, 1);
    EXPECT_EQ(box.pos(), CentredOn(kRightPrimary, box.size()));

    // The box stays put between changes: hops move it, layer ticks do not.
    Tick(box, 4000);
    Tick(box, 1);
    EXPECT_EQ(box.pos(), QPoint(1024, 0));
    frmLock::SetRandomSource([] { return 0.5; });

    Forms::Unload<frmLock>();
    frmVery &prompt = Forms::Get<frmVery>();
    EXPECT_EQ(prompt.pos(), CentredOn(kRightPrimary, prompt.size()));
    const QRect below(0, 768, 1280, 1024);
    SetDesktop(QRect(0, 0, 1280, 1792), below);
    Tick(prompt, 1);
    EXPECT_EQ(prompt.pos(), CentredOn(below, prompt.size()));
    Tick(background, 3);
    EXPECT_EQ(background.geometry(), QRect(0, 0, 1280, 1792));
    EXPECT_EQ(ChildGeometry(background, "picBackground"), below);
}

} // namespace
