// The stacking-order model the window layer decides from: fed the events the
// X server sends for the root's children, it must end where the server is.

#include "platform/x11/X11StackModel.h"
#include "support/Sandbox.h"

using platform::x11::StackModel;
using platform::x11::WindowId;

namespace {

class StackModelTest : public testing_support::SandboxTest {
protected:
    // Mapped windows 1..n, bottom to top.
    void Start(std::initializer_list<WindowId> ids)
    {
        std::vector<StackModel::Entry> entries;
        for (WindowId id : ids) {
            StackModel::Entry e;
            e.id = id;
            e.mapped = true;
            e.geometry = QRect(0, 0, 10, 10);
            entries.push_back(e);
        }
        model.Reset(entries);
    }
    std::vector<WindowId> Order() const
    {
        std::vector<WindowId> ids;
        for (const auto &e : model.Order())
            ids.push_back(e.id);
        return ids;
    }
    StackModel model;
};

using Ids = std::vector<WindowId>;

TEST_F(StackModelTest, RestackingEventsMoveWindowsWhereTheServerPutsThem)
{
    Start({1, 2, 3, 4});
    model.Configured(1, 4, QRect(0, 0, 10, 10)); // raised: above the old top
    EXPECT_EQ(Ids({2, 3, 4, 1}), Order());
    model.Configured(4, 0, QRect(0, 0, 10, 10)); // lowered to the bottom
    EXPECT_EQ(Ids({4, 2, 3, 1}), Order());
    model.Configured(2, 3, QRect(5, 6, 7, 8)); // placed just above 3
    EXPECT_EQ(Ids({4, 3, 2, 1}), Order());
    EXPECT_EQ(QRect(5, 6, 7, 8), model.Find(2)->geometry);
    model.Circulated(4, true);
    model.Circulated(1, false);
    EXPECT_EQ(Ids({1, 3, 2, 4}), Order());
    EXPECT_TRUE(model.InStep());
}

TEST_F(StackModelTest, NewAndReparentedWindowsArriveOnTopUnmapped)
{
    Start({1, 2});
    model.Created(7, QRect(1, 2, 3, 4));
    model.ReparentedToRoot(8, QRect(0, 0, 0, 0));
    EXPECT_EQ(Ids({1, 2, 7, 8}), Order());
    EXPECT_FALSE(model.Find(7)->mapped);
    EXPECT_FALSE(model.Find(7)->everMapped);
    model.Mapped(7);
    EXPECT_TRUE(model.Find(7)->everMapped);
    model.Unmapped(7);
    EXPECT_FALSE(model.Find(7)->mapped);
    EXPECT_TRUE(model.Find(7)->everMapped)
        << "a lock window unmapped by someone else is known to have been up";
    model.ReparentedAway(1); // framed by the window manager
    model.Destroyed(8);
    EXPECT_EQ(Ids({2, 7}), Order());
    EXPECT_TRUE(model.InStep());
}

TEST_F(StackModelTest, AnEventAboutAnUnknownWindowPutsTheModelOutOfStep)
{
    Start({1, 2});
    model.Configured(2, 99, QRect()); // above a sibling we never heard of
    EXPECT_FALSE(model.InStep());
    EXPECT_EQ(Ids({1, 2}), Order()) << "an unknown sibling leaves the window where it was";

    Start({1, 2});
    model.Mapped(42);
    EXPECT_FALSE(model.InStep());
    Start({1, 2});
    EXPECT_TRUE(model.InStep()) << "a fresh picture puts it back in step";
}

TEST_F(StackModelTest, ToRaiseIsEmptyOnlyWhenTheKeptWindowsAreTheTopMostMappedOnesInOrder)
{
    // 10 background, 11 box it owns.
    Start({1, 10, 2, 11});
    EXPECT_EQ(Ids({10, 11}), model.ToRaise({10, 11})) << "2 sits between background and box";

    Start({1, 2, 10, 11});
    EXPECT_TRUE(model.ToRaise({10, 11}).empty());

    Start({1, 2, 11, 10});
    EXPECT_EQ(Ids({10, 11}), model.ToRaise({10, 11})) << "the box must stay above its owner";

    Start({1, 10, 11, 3});
    model.Unmapped(3);
    EXPECT_TRUE(model.ToRaise({10, 11}).empty()) << "an unmapped window above covers nothing";
    model.Mapped(3);
    EXPECT_EQ(Ids({10, 11}), model.ToRaise({10, 11})) << "mapped again, it covers the lock";

    Start({1, 10, 2, 11});
    model.Unmapped(10);
    EXPECT_TRUE(model.ToRaise({10, 11}).empty()) << "an unmapped kept window is left out";
    EXPECT_TRUE(model.ToRaise({77}).empty()) << "so is an unknown one";
}

TEST_F(StackModelTest, ARaiseAndTheServerAnswerBringTheLockBackOnTop)
{
    // A notification pops up over the lock; the lock raises itself and the
    // server reports the new order: nothing more to do.
    Start({1, 10, 11});
    model.Created(50, QRect());
    model.Mapped(50);
    const Ids raise = model.ToRaise({10, 11});
    ASSERT_EQ(Ids({10, 11}), raise);
    model.Configured(10, 50, QRect(0, 0, 10, 10));
    model.Configured(11, 10, QRect(0, 0, 10, 10));
    EXPECT_TRUE(model.ToRaise({10, 11}).empty());
    EXPECT_EQ(Ids({1, 50, 10, 11}), Order());
}

} // namespace
