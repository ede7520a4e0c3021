// The front's command line: --help and --version before the switches, the
// switch table shared with the dispatcher, the one line said when there is no
// display, and the sleep-lock descriptor taken from the environment.

#include "front/Front.h"
#include "core/Switches.h"
#include "platform/x11/plain/X11GrabBreak.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using switches::Target;

namespace {

CommandLine Read(std::vector<const char *> args)
{
    args.insert(args.begin(), "gardlock");
    return ReadCommandLine(int(args.size()), args.data());
}

TEST(FrontCommandLine, HelpAndVersionComeBeforeTheSwitches)
{
    struct Case {
        std::vector<const char *> args;
        Request request;
    };
    const Case cases[] = {
        {{"--help"}, Request::Help},
        {{"-h"}, Request::Help},
        {{"--version"}, Request::Version},
        {{"--help", "/d"}, Request::Help},
        // Only as the first argument and exactly: anything else is the switch's business.
        {{"/d", "--help"}, Request::Program},
        {{"--helpme"}, Request::Program},
        {{"-help"}, Request::Program},
        {{"--Version"}, Request::Program},
        {{"-H"}, Request::Program},
        {{}, Request::Program},
    };
    for (const Case &c : cases) {
        const CommandLine line = Read(c.args);
        EXPECT_EQ(line.request, c.request) << line.argText;
    }
}

TEST(FrontCommandLine, TheSwitchIsTheFirstTwoCharactersExactly)
{
    struct Case {
        std::vector<const char *> args;
        bool isSwitch;
        Target target;
        LockKind lock = LockKind::Normal;
    };
    const Case cases[] = {
        {{"/d"}, true, Target::Lock, LockKind::Normal},
        {{"/dx", "more"}, true, Target::Lock, LockKind::Normal},
        {{"/b"}, true, Target::Lock, LockKind::Normal},
        {{"/t"}, true, Target::Lock, LockKind::Normal},
        {{"/e"}, true, Target::Lock, LockKind::NtStyle},
        {{"/n"}, true, Target::Lock, LockKind::NtStyle},
        {{"/w"}, true, Target::Lock, LockKind::NtStyle},
        {{"/a"}, true, Target::About},
        {{"/s"}, true, Target::PasswordSettings},
        {{"/i"}, true, Target::TrayIcon},
        {{"/u"}, true, Target::Uninstall},
        {{"/D"}, false, Target::MainScreen},
        {{" /d"}, false, Target::MainScreen},
        {{"/"}, false, Target::MainScreen},
        // Arguments are joined by one blank: "/" then "d" is "/ d".
        {{"/", "d"}, false, Target::MainScreen},
        {{"-h", "x"}, false, Target::MainScreen},
        {{}, false, Target::MainScreen},
    };
    for (const Case &c : cases) {
        const CommandLine line = Read(c.args);
        ASSERT_EQ(line.row != nullptr, c.isSwitch) << line.argText;
        if (line.row) {
            EXPECT_EQ(line.row->target, c.target) << line.argText;
            if (switches::IsLock(line.row)) {
                EXPECT_EQ(line.row->lock, c.lock) << line.argText;
            }
        }
    }
}

TEST(FrontCommandLine, EveryLockKindHasItsSwitchForEveryStart)
{
    // Relaunches, restart entries and armed start-up entries name their switch
    // through the table; each must lead back to a lock of the same kind.
    for (const LockKind kind : {LockKind::Normal, LockKind::NtStyle})
        for (const switches::Start start :
             {switches::Start::Plain, switches::Start::RestartEntry, switches::Start::Armed}) {
            const switches::Row *row = switches::Find(switches::LockSwitch(kind, start));
            ASSERT_TRUE(switches::IsLock(row));
            EXPECT_EQ(row->lock, kind);
            EXPECT_EQ(row->start, start);
        }
}

TEST(FrontCommandLine, UsageNamesEverySwitchTheFilesAndTheStatuses)
{
    const std::string usage = front::UsageText();
    for (const switches::Row &row : switches::kSwitches)
        EXPECT_NE(usage.find(std::string("  ") + row.sw + " "), std::string::npos) << row.sw;
    for (const char *text : {"cslckrt.sys", "intruder.log", "DW2001.conf", "autostart", "dosdevices",
                             "\n  0 ", "\n  3 ", "\n  4 ", "\n  70 ", "128+N", "xautolock", "xss-lock"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
}

TEST(FrontNoDisplay, EverySwitchThatShowsAWindowSaysWhyInOneLine)
{
    struct Case {
        std::vector<const char *> args;
        DisplayNames names;
        bool reachable;
        const char *expected; // empty: goes on
    };
    const Case cases[] = {
        {{"/d"},
         {"", ""},
         false,
         "gardlock: cannot lock: there is no X11 display (DISPLAY is not set); a lock here could not hold "
         "the "
         "keyboard."},
        // A lock needs X11 even where Wayland is there.
        {{"/n"},
         {"", "wayland-0"},
         false,
         "gardlock: cannot lock: there is no X11 display (DISPLAY is not set); a lock here could not hold "
         "the "
         "keyboard."},
        {{"/a"},
         {"", ""},
         false,
         "gardlock: cannot show the About screen: there is no display (neither DISPLAY nor WAYLAND_DISPLAY "
         "is "
         "set)."},
        {{},
         {"", ""},
         false,
         "gardlock: cannot show the main screen: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set)."},
        {{"/i"},
         {":9", ""},
         false,
         "gardlock: cannot show the tray icon, the main screen loaded but hidden: the X11 display \":9\" "
         "cannot "
         "be reached."},
        {{"/e"}, {":9", ""}, false, "gardlock: cannot lock: the X11 display \":9\" cannot be reached."},
        {{"/s"}, {"", "wayland-0"}, false, ""},
        {{"/u"}, {":0", ""}, true, ""},
        {{"/d"}, {":0", ""}, true, ""},
    };
    for (const Case &c : cases) {
        const CommandLine line = Read(c.args);
        EXPECT_EQ(NoDisplayLine(line.row, c.names, c.reachable), c.expected) << line.argText;
    }
}

TEST(FrontSleepLock, TheDescriptorIsTakenOnlyWhenOpenAndNeverPassedOn)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    struct Case {
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {std::to_string(pipeFds[1]), pipeFds[1]}, {"", -1},    {"x", -1}, {"-1", -1},
        {std::to_string(pipeFds[1]) + " ", -1},   {"999", -1}, // not open here
        // The standard streams are open, but never a locker's descriptor.
        {"0", -1}, {"1", -1}, {"2", -1},
    };
    for (const Case &c : cases) {
        ::fcntl(pipeFds[1], F_SETFD, 0);
        ::setenv("XSS_SLEEP_LOCK_FD", c.value.c_str(), 1);
        EXPECT_EQ(front::TakeSleepLockFd(), c.expected) << c.value;
        EXPECT_EQ(std::getenv("XSS_SLEEP_LOCK_FD"), nullptr) << c.value;
        if (c.expected >= 0) {
            EXPECT_EQ(::fcntl(c.expected, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC) << c.value;
        }
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

} // namespace

namespace {

TEST(GrabBreakingKeys, FoundInTheKeymapOptionsAndInTheServerActions)
{
    using namespace std::string_literals;
    using platform::x11::RulesNamesBreakGrabs;
    EXPECT_TRUE(RulesNamesBreakGrabs("evdev\0pc105\0us\0\0grab:break_actions\0"s));
    EXPECT_TRUE(RulesNamesBreakGrabs("evdev\0pc105\0us,de\0\0ctrl:nocaps,grab:break_actions"s));
    EXPECT_FALSE(RulesNamesBreakGrabs("evdev\0pc105\0us\0\0\0"s));
    EXPECT_FALSE(RulesNamesBreakGrabs("evdev\0pc105\0us\0\0grab:break_actions_not\0"s));
    // The option's name anywhere but in the options field means nothing.
    EXPECT_FALSE(RulesNamesBreakGrabs("evdev\0pc105\0grab:break_actions\0\0\0"s));
    EXPECT_FALSE(RulesNamesBreakGrabs("grab:break_actions"s));

    using platform::x11::IsGrabBreakingAction;
    const std::uint8_t ungrab[8] = {0x86, 'U', 'n', 'g', 'r', 'a', 'b', 0};
    const std::uint8_t clearGrab[8] = {0x86, 'C', 'l', 's', 'G', 'r', 'b', 0};
    const std::uint8_t printGrabs[8] = {0x86, 'P', 'r', 'G', 'r', 'b', 's', 0};
    const std::uint8_t otherType[8] = {0x85, 'U', 'n', 'g', 'r', 'a', 'b', 0};
    EXPECT_TRUE(IsGrabBreakingAction(ungrab));
    EXPECT_TRUE(IsGrabBreakingAction(clearGrab));
    EXPECT_FALSE(IsGrabBreakingAction(printGrabs));
    EXPECT_FALSE(IsGrabBreakingAction(otherType));
}

} // namespace
