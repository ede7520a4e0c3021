// Which display system a lock is for, from what the front found, and the
// lines a lock refused on a Wayland session prints.

#include "core/ExitStatus.h"
#include "front/DisplayChoice.h"

#include <gtest/gtest.h>

#include <string>

using front::ChooseDisplaySystem;
using front::DisplaySystem;

namespace {

const char *Name(DisplaySystem system)
{
    return system == DisplaySystem::Wayland ? "Wayland" : "X11";
}

TEST(DisplayChoice, WaylandOnlyWhereACompositorAnswersAndNoPlainXServerIsNamed)
{
    struct Case {
        const char *what;
        X11Facts x11;
        WaylandFacts wayland;
        DisplaySystem expected;
    };
    const X11Facts noX{false, false, false};
    const X11Facts plainX{true, true, false};
    const X11Facts xwayland{true, true, true};
    const X11Facts unreachableX{true, false, false};
    const WaylandFacts none{false, false, 0};
    const WaylandFacts withLock{true, true, 42};
    const WaylandFacts withoutLock{true, false, 42};
    const Case cases[] = {
        {"no display at all: X11, refused there as today", noX, none, DisplaySystem::X11},
        {"plain X alone", plainX, none, DisplaySystem::X11},
        {"Xwayland named, but its compositor does not answer", xwayland, none, DisplaySystem::X11},
        {"unreachable X, no compositor", unreachableX, none, DisplaySystem::X11},
        {"a compositor with the lock, no X", noX, withLock, DisplaySystem::Wayland},
        {"a compositor without the lock, no X", noX, withoutLock, DisplaySystem::Wayland},
        {"the compositor's own Xwayland (sway)", xwayland, withLock, DisplaySystem::Wayland},
        {"the compositor's own Xwayland (GNOME, KDE, weston)", xwayland, withoutLock, DisplaySystem::Wayland},
        {"a compositor nested in a plain X server", plainX, withLock, DisplaySystem::X11},
        {"a lockless compositor nested in a plain X server", plainX, withoutLock, DisplaySystem::X11},
        // Cannot be told to be Xwayland: refused on X11 as unreachable.
        {"an unreachable X display beside a compositor", unreachableX, withLock, DisplaySystem::X11},
    };
    for (const Case &c : cases) {
        const DisplaySystem chosen = ChooseDisplaySystem(DisplayFacts{c.x11, c.wayland});
        EXPECT_EQ(chosen, c.expected) << c.what << ": chose " << Name(chosen);
    }
}

TEST(DisplayChoice, AnXwaylandFlagWithoutAReachableServerIsNotTrusted)
{
    // Only a server that answered can have been found to be Xwayland; a
    // stray flag must not move an unreachable display to Wayland.
    const DisplayFacts facts{X11Facts{true, false, true}, WaylandFacts{true, true, 7}};
    EXPECT_EQ(ChooseDisplaySystem(facts), DisplaySystem::X11);
}

TEST(WaylandRefusal, TheLineNamesTheMissingSessionLock)
{
    const std::string line = NoSessionLockLine();
    EXPECT_EQ(line.rfind("gardlock: cannot lock: ", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(line.back(), '.') << line;
    EXPECT_NE(line.find("offers no session lock (ext-session-lock-v1)"), std::string::npos) << line;
}

} // namespace
