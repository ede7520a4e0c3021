// The supervisor's message format and decisions: what each report means,
// what a child's end calls for, how relaunches are paced, which stop signals
// reach the child.

#include "front/SupervisorPolicy.h"
#include "core/SupervisionProtocol.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>


using protocol::Kind;
using protocol::Message;
using supervision::ChildEnd;
using supervision::LockState;
using supervision::Phase;
using supervision::Verdict;

namespace {

TEST(SupervisionMessages, EveryMessageReadsBackAsItself)
{
    std::vector<Message> all = {
        {Kind::StartingNormal},      {Kind::StartingNtStyle}, {Kind::Shown}, {Kind::Held, 0},
        {Kind::Held, 1234567890123}, {Kind::Ended},           {Kind::Go},    {Kind::Refused}};
    for (std::uint32_t window : {1u, 0x1e00007u, 4294967295u}) {
        Message shown{Kind::Shown};
        shown.window = window;
        all.push_back(shown);
    }
    for (Kind kind : {Kind::TypeKeys, Kind::Typed}) {
        for (std::uint32_t round : {0u, 1u, 4294967295u}) {
            Message message{kind};
            message.round = round;
            all.push_back(message);
        }
    }
    for (const Message &message : all) {
        const std::string packet = protocol::Encode(message);
        EXPECT_EQ(protocol::Parse(packet), message) << packet;
    }
}

TEST(SupervisionMessages, TypedAnswersTheTypeRequestOfItsNumber)
{
    Message type{Kind::TypeKeys};
    type.round = 7;
    EXPECT_EQ(protocol::Encode(type), "type 7");
    Message typed{Kind::Typed};
    typed.round = 7;
    EXPECT_EQ(protocol::Encode(typed), "typed 7");
    // The number is one field: "typed" is not read as "type" with a "d".
    EXPECT_EQ(protocol::Parse("typed 7"), typed);
    EXPECT_EQ(protocol::Parse("type 7"), type);
    // Go carries no number.
    EXPECT_FALSE(protocol::Parse("go 7").has_value());
}

TEST(SupervisionMessages, CaughtKeysReadBackWithEveryField)
{
    using protocol::CaughtKey;
    const CaughtKey keys[] = {
        {true, 38, 0, 0},
        {false, 255, 65535, 4294967295u},
        {true, 9, 0x0004 | 0x0001, 123456789},
    };
    for (const CaughtKey &key : keys) {
        Message message{Kind::Key};
        message.key = key;
        const std::string packet = protocol::Encode(message);
        EXPECT_EQ(protocol::Parse(packet), message) << packet;
    }
    Message press{Kind::Key};
    press.key = {true, 38, 1, 77};
    EXPECT_EQ(protocol::Encode(press), "key p 38 1 77");
}

TEST(SupervisionMessages, MalformedKeysMeanNothing)
{
    const char *const packets[] = {
        "key",
        "key ",
        "key p",
        "key p 38",
        "key p 38 0",
        "key x 38 0 1",
        "key p 256 0 1",
        "key p 38 65536 1",
        "key p 38 0 4294967296",
        "key p -1 0 1",
        "key p 38 0 1 ",
        "key p 38 0 1 2",
        "key p 38  0 1",
        "key p38 0 1",
        "key p 3a 0 1",
        "key p 38 0 ",
    };
    for (const char *packet : packets)
        EXPECT_FALSE(protocol::Parse(packet).has_value()) << '"' << packet << '"';
}

TEST(SupervisionMessages, MalformedPacketsMeanNothing)
{
    const char *const packets[] = {
        "",     "start", "start /b", "start /d ", "Shown",    "shown\n", "go ",
        "held", "held ", "held -5",  "held 12x",  "held 1 2", "ended!",  "held 99999999999999999999",
        "shown ", "shown x", "shown -1", "shown 4294967296", "shown 7 8",
        "type ", "typed ", "type x", "typed -1", "typed 4294967296", "typed 1 2", "typed  1", "typed1",
        "types 1", "typedd 1",
    };
    for (const char *packet : packets)
        EXPECT_FALSE(protocol::Parse(packet).has_value()) << '"' << packet << '"';
    // A packet is read by its length, not up to a NUL.
    EXPECT_FALSE(protocol::Parse(std::string_view("go\0x", 4)).has_value());
}

TEST(SupervisionMessages, ABurstOfKeysTravelsInFewPacketsAndReadsBackInOrder)
{
    std::vector<Message> messages;
    for (std::uint32_t i = 0; i < 5000; ++i) {
        Message key{Kind::Key};
        key.key = {i % 2 == 0, std::uint8_t(9 + i % 200), std::uint16_t(i % 16), 4000000000u + i};
        messages.push_back(key);
    }
    messages.push_back({Kind::Go});
    const std::vector<std::string> packets = protocol::EncodeBatch(messages);
    EXPECT_LT(packets.size(), 60u);
    std::vector<Message> back;
    for (const std::string &packet : packets) {
        EXPECT_LE(packet.size(), protocol::kMaxPacket);
        const std::vector<Message> part = protocol::ParsePacket(packet);
        back.insert(back.end(), part.begin(), part.end());
    }
    EXPECT_EQ(back, messages);
    // A malformed line is dropped, the rest of its packet kept.
    EXPECT_EQ(protocol::ParsePacket("key p 38 0 1\nnonsense\ngo"),
              (std::vector<Message>{[] {
                                        Message m{Kind::Key};
                                        m.key = {true, 38, 0, 1};
                                        return m;
                                    }(),
                                    {Kind::Go}}));
}

TEST(SupervisorPolicy, ReportsMoveTheLockThroughItsPhases)
{
    struct Case {
        std::vector<Kind> reports;
        Phase phase;
        LockKind lock;
    };
    const Case cases[] = {
        {{}, Phase::None, LockKind::Normal},
        {{Kind::StartingNormal}, Phase::Starting, LockKind::Normal},
        {{Kind::StartingNtStyle}, Phase::Starting, LockKind::NtStyle},
        {{Kind::StartingNtStyle, Kind::Shown}, Phase::Shown, LockKind::NtStyle},
        {{Kind::StartingNormal, Kind::Shown, Kind::Held}, Phase::Held, LockKind::Normal},
        {{Kind::StartingNormal, Kind::Shown, Kind::Held, Kind::Ended}, Phase::None, LockKind::Normal},
        // A lock already held hands over again when asked: it stays up.
        {{Kind::StartingNormal, Kind::Shown, Kind::Held, Kind::Go, Kind::Held},
         Phase::Held,
         LockKind::Normal},
        // Typing the keys handed over changes nothing.
        {{Kind::StartingNormal, Kind::Shown, Kind::TypeKeys, Kind::Typed}, Phase::Shown, LockKind::Normal},
        // Reports without a lock starting first bring no lock up.
        {{Kind::Shown, Kind::Held}, Phase::None, LockKind::Normal},
        // A lock that never showed may refuse the display; one that did may not.
        {{Kind::StartingNormal, Kind::Refused}, Phase::None, LockKind::Normal},
        {{Kind::StartingNormal, Kind::Shown, Kind::Refused}, Phase::Shown, LockKind::Normal},
        // A second lock after the first ended.
        {{Kind::StartingNormal, Kind::Ended, Kind::StartingNtStyle},
         Phase::Starting,
         LockKind::NtStyle},
    };
    for (const Case &c : cases) {
        LockState state;
        for (Kind kind : c.reports)
            state = supervision::After(state, Message{kind});
        EXPECT_EQ(state.phase, c.phase) << c.reports.size() << " reports";
        if (c.phase != Phase::None) {
            EXPECT_EQ(state.lock, c.lock) << c.reports.size() << " reports";
        }
    }
}

TEST(SupervisorPolicy, TheLayoutGroupIsSavedWhenALockBeginsAndGivenBackWhenItEnds)
{
    using supervision::GroupStep;
    struct Case {
        Phase before;
        Kind report;
        GroupStep step;
    };
    const Case cases[] = {
        // A lock started from a screen begins with its first report.
        {Phase::None, Kind::StartingNormal, GroupStep::Save},
        {Phase::None, Kind::StartingNtStyle, GroupStep::Save},
        // A lock the front covered for (saved then), or one brought back
        // after a crash, is already up: its start is no beginning.
        {Phase::Starting, Kind::StartingNormal, GroupStep::Keep},
        {Phase::Starting, Kind::StartingNtStyle, GroupStep::Keep},
        // A lock that said more than that, then starts the other one.
        {Phase::Held, Kind::StartingNtStyle, GroupStep::Keep},
        // The right password, at any phase of an up lock.
        {Phase::Held, Kind::Ended, GroupStep::Restore},
        {Phase::Shown, Kind::Ended, GroupStep::Restore},
        {Phase::Starting, Kind::Ended, GroupStep::Restore},
        // No lock: nothing to give back.
        {Phase::None, Kind::Ended, GroupStep::Keep},
        // Refusing the display or any other report saves nothing.
        {Phase::Starting, Kind::Refused, GroupStep::Keep},
        {Phase::None, Kind::Shown, GroupStep::Keep},
        {Phase::Shown, Kind::Held, GroupStep::Keep},
        {Phase::Shown, Kind::Typed, GroupStep::Keep},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(supervision::KeyboardGroupStep({c.before, LockKind::Normal}, Message{c.report}), c.step)
            << "phase " << int(c.before) << " report " << protocol::Encode(Message{c.report});
    }
}

TEST(SupervisorPolicy, OnlyTheReportedEndOfALockEndsIt)
{
    struct Case {
        Phase phase;
        ChildEnd end;
        bool displayGone;
        Verdict verdict;
    };
    const Case cases[] = {
        // No lock up: the program's own end, whatever it is.
        {Phase::None, {false, 0}, false, Verdict::PassOn},
        {Phase::None, {false, 3}, false, Verdict::PassOn},
        {Phase::None, {true, SIGSEGV}, false, Verdict::PassOn},
        {Phase::None, {true, SIGTERM}, false, Verdict::PassOn},
        {Phase::None, {false, 70}, true, Verdict::PassOn},
        // A lock up: every signal, abort and exit is a crash...
        {Phase::Held, {true, SIGSEGV}, false, Verdict::Relock},
        {Phase::Held, {true, SIGABRT}, false, Verdict::Relock},
        {Phase::Held, {true, SIGKILL}, false, Verdict::Relock},
        {Phase::Shown, {true, SIGBUS}, false, Verdict::Relock},
        {Phase::Starting, {true, SIGSEGV}, false, Verdict::Relock},
        {Phase::Held, {false, 0}, false, Verdict::Relock},
        {Phase::Held, {false, 1}, false, Verdict::Relock},
        // ... even the display's status, when only the lock's connection was
        // killed (xkill) and the display is still there ...
        {Phase::Held, {false, 70}, false, Verdict::Relock},
        // ... unless the supervisor finds the display gone.
        {Phase::Held, {false, 70}, true, Verdict::DisplayGone},
        {Phase::Held, {false, 1}, true, Verdict::DisplayGone},
        {Phase::Starting, {true, SIGABRT}, true, Verdict::DisplayGone},
        // A signal numbered 70 is not the display's status.
        {Phase::Held, {true, 70}, false, Verdict::Relock},
    };
    for (const Case &c : cases) {
        const LockState state{c.phase, LockKind::Normal};
        EXPECT_EQ(supervision::Judge(state, c.end, c.displayGone), c.verdict)
            << "phase " << int(c.phase) << (c.end.bySignal ? " signal " : " status ") << c.end.value
            << (c.displayGone ? " display gone" : "");
    }
}

TEST(SupervisorPolicy, EachLockComesBackWithItsPlainSwitch)
{
    EXPECT_STREQ(supervision::RelaunchSwitch(LockKind::Normal), "/d");
    EXPECT_STREQ(supervision::RelaunchSwitch(LockKind::NtStyle), "/n");
}

TEST(SupervisorPolicy, CrashesInARowBackOffAndACrashAtLoadTurnsPicturesOff)
{
    using Plan = supervision::RelaunchPlan;
    struct Step {
        enum { Crash, Held } what;
        Phase phase;
        int delayMs;
        bool noPictures;
    };
    const std::vector<Step> steps = {
        {Step::Crash, Phase::Held, 0, false}, // the first crash: at once, pictures kept
        {Step::Held, {}, 0, false},
        {Step::Crash, Phase::Shown, 0, false}, // held in between: a first crash again
        {Step::Crash, Phase::Shown, Plan::kFirstBackOffMs, false},
        {Step::Crash, Phase::Shown, 2 * Plan::kFirstBackOffMs, false},
        {Step::Crash, Phase::Starting, 4 * Plan::kFirstBackOffMs, true}, // at load
        {Step::Crash, Phase::Starting, 8 * Plan::kFirstBackOffMs, true},
        {Step::Crash, Phase::Starting, 16 * Plan::kFirstBackOffMs, true},
        {Step::Crash, Phase::Starting, 32 * Plan::kFirstBackOffMs, true},
        {Step::Crash, Phase::Starting, Plan::kLongestBackOffMs, true}, // no longer than this
        {Step::Crash, Phase::Starting, Plan::kLongestBackOffMs, true},
        {Step::Held, {}, 0, false},
        {Step::Crash, Phase::Held, 0, true}, // pictures stay off once a load crashed
    };
    Plan plan;
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].what == Step::Held) {
            plan.LockHeld();
            continue;
        }
        const Plan::Step step = plan.AfterCrash(steps[i].phase);
        EXPECT_EQ(step.delayMs, steps[i].delayMs) << "step " << i;
        EXPECT_EQ(step.noPictures, steps[i].noPictures) << "step " << i;
    }
    // Many crashes in a row: the wait grows to the longest and stays there (no overflow).
    int previous = 0;
    for (int i = 0; i < 100; ++i) {
        const int delay = plan.AfterCrash(Phase::Starting).delayMs;
        EXPECT_GE(delay, previous) << "crash " << i;
        EXPECT_LE(delay, Plan::kLongestBackOffMs) << "crash " << i;
        previous = delay;
    }
    EXPECT_EQ(previous, Plan::kLongestBackOffMs);
}

TEST(SupervisorPolicy, StopSignalsReachTheProgramOnlyWithoutALock)
{
    const int stops[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
    for (int signal : stops) {
        EXPECT_TRUE(supervision::PassesSignal({Phase::None}, signal)) << signal;
        for (Phase phase : {Phase::Starting, Phase::Shown, Phase::Held})
            EXPECT_FALSE(supervision::PassesSignal({phase}, signal)) << signal << " phase " << int(phase);
    }
    for (Phase phase : {Phase::None, Phase::Held}) {
        EXPECT_FALSE(supervision::PassesSignal({phase}, SIGPIPE));
        EXPECT_FALSE(supervision::PassesSignal({phase}, SIGCHLD));
        EXPECT_FALSE(supervision::PassesSignal({phase}, SIGUSR1));
    }
}

} // namespace
