// The primary monitor a lock lays out on, from the server's monitor list.

#include "platform/x11/X11MonitorChoice.h"

#include <gtest/gtest.h>

using platform::x11::ChoosePrimary;
using platform::x11::MonitorArea;
using platform::x11::ToLogical;

namespace {

TEST(MonitorChoiceTest, ThePrimaryElseTheFirstShownElseTheRoot)
{
    const QRect root(0, 0, 2048, 768);
    const QRect left(0, 0, 1024, 768);
    const QRect right(1024, 0, 1024, 768);
    struct Case {
        const char *what;
        std::vector<MonitorArea> monitors;
        QRect root;
        QRect expected;
    };
    const Case cases[] = {
        {"no monitors: the root", {}, root, root},
        {"the one marked primary, wherever it is listed", {{left, false}, {right, true}}, root, right},
        {"none marked: the first listed", {{right, false}, {left, false}}, root, right},
        {"a monitor reaching past the root is cut to it", {{QRect(1024, 0, 2048, 768), true}}, root, right},
        {"a primary left outside a shrunk root is passed over",
         {{QRect(1024, 0, 1024, 768), true}, {left, false}},
         QRect(0, 0, 1024, 768),
         left},
        {"every monitor outside the root: the root",
         {{QRect(3000, 0, 100, 100), true}},
         QRect(0, 0, 1024, 768),
         QRect(0, 0, 1024, 768)},
        {"an empty monitor counts for nothing", {{QRect(0, 0, 0, 0), true}, {left, false}}, root, left},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChoosePrimary(c.monitors, c.root), c.expected) << c.what;
}

TEST(MonitorChoiceTest, DevicePixelsBecomeScaledOnesRoundedOutwards)
{
    struct Case {
        QRect device;
        double ratio;
        QRect expected;
    };
    const Case cases[] = {
        {QRect(1024, 0, 1024, 768), 1.0, QRect(1024, 0, 1024, 768)},
        {QRect(1024, 0, 1024, 768), 2.0, QRect(512, 0, 512, 384)},
        // 1365 device pixels at 1.5 are 910 scaled ones; an odd edge is kept inside the cover.
        {QRect(0, 0, 1365, 767), 1.5, QRect(0, 0, 910, 512)},
        {QRect(1, 1, 3, 3), 2.0, QRect(0, 0, 2, 2)},
        {QRect(0, 0, 800, 600), 0.0, QRect(0, 0, 800, 600)}, // no ratio known: unchanged
    };
    for (const Case &c : cases)
        EXPECT_EQ(ToLogical(c.device, c.ratio), c.expected) << c.ratio;
}

} // namespace
