// The program's end of the link to its supervisor, over a real socket pair:
// the reports it sends, the grab hand-over, what an absent supervisor means,
// and how the environment is read.

#include "platform/supervision/SupervisorLink.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>


using platform::SupervisorEnvironment;
using platform::SupervisorLink;
using protocol::Kind;
using protocol::Message;
using testing_support::SandboxTest;

namespace {

class SupervisorLinkTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, m_pair), 0);
    }
    void TearDown() override
    {
        if (m_pair[0] >= 0)
            ::close(m_pair[0]);
        SandboxTest::TearDown();
    }
    // The link owns (and closes) its end.
    SupervisorEnvironment Linked(bool noPictures = false) { return {m_pair[1], true, noPictures}; }
    void Answer(const Message &message)
    {
        const std::string packet = protocol::Encode(message);
        ASSERT_EQ(::send(m_pair[0], packet.data(), packet.size(), 0), ssize_t(packet.size()));
    }
    // Every message the link has sent so far.
    std::vector<Message> Received()
    {
        std::vector<Message> messages;
        char packet[64];
        ssize_t size;
        while ((size = ::recv(m_pair[0], packet, sizeof packet, MSG_DONTWAIT)) > 0) {
            const auto message = protocol::Parse({packet, size_t(size)});
            EXPECT_TRUE(message.has_value()) << std::string(packet, size_t(size));
            if (message)
                messages.push_back(*message);
        }
        return messages;
    }
    static std::vector<Kind> Kinds(const std::vector<Message> &messages)
    {
        std::vector<Kind> kinds;
        for (const Message &m : messages)
            kinds.push_back(m.kind);
        return kinds;
    }
    int m_pair[2] = {-1, -1};
};

TEST_F(SupervisorLinkTest, ALockReportsItsKindItsWindowAndItsEnd)
{
    SupervisorLink link(Linked());
    Answer({Kind::Go}); // the supervisor lets go at once
    const std::int64_t before = protocol::MonotonicNanoseconds();
    link.LockStarting(LockKind::NtStyle);
    link.LockShown();
    link.LockEnded();
    link.LockStarting(LockKind::Normal);
    const std::vector<Message> sent = Received();
    EXPECT_EQ(Kinds(sent), (std::vector<Kind>{Kind::StartingNtStyle, Kind::Shown, Kind::Held, Kind::Ended,
                                              Kind::StartingNormal}));
    ASSERT_GE(sent.size(), 3u);
    EXPECT_GE(sent[2].nanoseconds, before);
    EXPECT_LE(sent[2].nanoseconds, protocol::MonotonicNanoseconds());
    EXPECT_EQ(shell().calls, QStringList{"DisableSystemKeys"});
}

TEST_F(SupervisorLinkTest, ARelaunchedLockTakesTheGrabOnlyAfterTheSupervisorLetGo)
{
    struct Case {
        const char *name;
        bool relaunched;
        bool secondLock; // a lock shown before in this process
        bool goQueued;
        bool waits; // for the whole wait, as no Go came
    };
    const Case cases[] = {
        {"relaunched, the supervisor let go", true, false, true, false},
        {"relaunched, no answer", true, false, false, true},
        {"first start: nothing to wait for", false, false, false, false},
        {"relaunched, a later lock", true, true, false, false},
    };
    for (const Case &c : cases) {
        shell().calls.clear();
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        std::swap(m_pair[0], pair[0]);
        {
            SupervisorLink link({pair[1], c.relaunched, false}, 300);
            if (c.secondLock) {
                Answer({Kind::Go});
                link.LockStarting(LockKind::Normal);
                link.LockShown();
                link.LockEnded();
                Received();
                shell().calls.clear();
            }
            if (c.goQueued)
                Answer({Kind::Go});
            link.LockStarting(LockKind::Normal);
            QElapsedTimer waited;
            waited.start();
            link.LockShown();
            if (c.waits) {
                EXPECT_GE(waited.elapsed(), 250) << c.name;
            } else {
                EXPECT_LT(waited.elapsed(), 250) << c.name;
            }
            EXPECT_EQ(shell().calls, QStringList{"DisableSystemKeys"}) << c.name;
            EXPECT_EQ(Kinds(Received()), (std::vector<Kind>{Kind::StartingNormal, Kind::Shown, Kind::Held}))
                << c.name;
        }
        std::swap(m_pair[0], pair[0]);
        ::close(pair[0]);
    }
}

TEST_F(SupervisorLinkTest, AGrabFoundNotTakenIsTakenAgainWhenOffered)
{
    SupervisorLink link(Linked());
    Answer({Kind::Go});
    link.LockStarting(LockKind::Normal);
    link.LockShown();
    Received();
    // The supervisor found the grab not taken and let go again.
    Answer({Kind::Go});
    ASSERT_EVENTUALLY((shell().calls.size()) == (2), 2000);
    EXPECT_EQ(Kinds(Received()), std::vector<Kind>{Kind::Held});
    // Other packets change nothing, and without a lock neither does Go.
    Answer({Kind::Shown});
    Answer({Kind::Ended});
    link.LockEnded();
    Answer({Kind::Go});
    QTest::qWait(50);
    EXPECT_EQ(shell().calls.size(), 2);
}

TEST_F(SupervisorLinkTest, HeldIsSaidOnlyOnceKeyboardAndPointerAreBothHeld)
{
    SupervisorLink link(Linked());
    // Keys caught by the supervisor and its "go" arrive in one packet.
    std::vector<Message> batch(300, Message{Kind::Key});
    for (size_t i = 0; i < batch.size(); ++i)
        batch[i].key = {true, std::uint8_t(10 + i % 50), 0, std::uint32_t(i)};
    batch.push_back({Kind::Go});
    for (const std::string &packet : protocol::EncodeBatch(batch))
        ASSERT_EQ(::send(m_pair[0], packet.data(), packet.size(), 0), ssize_t(packet.size()));
    std::vector<protocol::CaughtKey> replayed;
    link.SetKeyReplay([&](const std::vector<protocol::CaughtKey> &keys) {
        replayed.insert(replayed.end(), keys.begin(), keys.end());
    });
    shell().holdsInput = false; // another client keeps the pointer
    link.LockStarting(LockKind::Normal);
    link.LockShown();
    EXPECT_EQ(replayed.size(), 300u);
    QTest::qWait(50);
    EXPECT_EQ(Kinds(Received()), (std::vector<Kind>{Kind::StartingNormal, Kind::Shown}));
    EXPECT_GE(shell().calls.count("DisableSystemKeys"), 2) << "tries again while it waits";
    shell().holdsInput = true;
    ASSERT_EVENTUALLY((Kinds(Received())) == (std::vector<Kind>{Kind::Held}), 2000);
}

TEST_F(SupervisorLinkTest, KeysToTypeAreInTheLockBeforeItSaysSoAndBeforeItGrabs)
{
    SupervisorLink link(Linked());
    auto key = [](std::uint8_t code) {
        Message m{Kind::Key};
        m.key = {true, code, 0, code};
        return m;
    };
    Message type{Kind::TypeKeys};
    type.round = 5;
    for (const std::string &packet : protocol::EncodeBatch({key(10), key(11), type, key(12), {Kind::Go}}))
        ASSERT_EQ(::send(m_pair[0], packet.data(), packet.size(), 0), ssize_t(packet.size()));
    // Each replay, and what the supervisor had heard and the shell been asked by then.
    struct Replay {
        std::vector<std::uint8_t> codes;
        std::vector<Kind> heard;
        qsizetype grabs;
    };
    std::vector<Replay> replays;
    std::vector<Message> heard;
    link.SetKeyReplay([&](const std::vector<protocol::CaughtKey> &keys) {
        Replay replay;
        for (const protocol::CaughtKey &k : keys)
            replay.codes.push_back(k.code);
        for (const Message &m : Received())
            heard.push_back(m);
        replay.heard = Kinds(heard);
        replay.grabs = shell().calls.count("DisableSystemKeys");
        replays.push_back(replay);
    });
    link.LockStarting(LockKind::Normal);
    link.LockShown();
    for (const Message &m : Received())
        heard.push_back(m);
    ASSERT_EQ(replays.size(), 2u);
    EXPECT_EQ(replays[0].codes, (std::vector<std::uint8_t>{10, 11}));
    EXPECT_EQ(replays[0].heard, (std::vector<Kind>{Kind::StartingNormal, Kind::Shown}));
    EXPECT_EQ(replays[0].grabs, 0);
    // The keys after "type" come with "go", still before the grab.
    EXPECT_EQ(replays[1].codes, std::vector<std::uint8_t>{12});
    EXPECT_EQ(replays[1].heard, (std::vector<Kind>{Kind::StartingNormal, Kind::Shown, Kind::Typed}));
    EXPECT_EQ(replays[1].grabs, 0);
    EXPECT_EQ(Kinds(heard), (std::vector<Kind>{Kind::StartingNormal, Kind::Shown, Kind::Typed, Kind::Held}));
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard[2].round, 5u) << "answers the request it was sent";

    // Asked again in the event loop, with the lock up and holding the grab.
    Message again{Kind::TypeKeys};
    again.round = 6;
    for (const std::string &packet : protocol::EncodeBatch({key(13), again}))
        ASSERT_EQ(::send(m_pair[0], packet.data(), packet.size(), 0), ssize_t(packet.size()));
    ASSERT_EVENTUALLY((replays.size()) == (size_t(3)), 2000);
    EXPECT_EQ(replays[2].codes, std::vector<std::uint8_t>{13});
    ASSERT_EVENTUALLY((Kinds(heard = Received())) == (std::vector<Kind>{Kind::Typed}), 2000);
    EXPECT_EQ(heard[0].round, 6u);
}

TEST_F(SupervisorLinkTest, ALockItsReplayedKeysEndTakesNoGrab)
{
    SupervisorLink link(Linked());
    Message key{Kind::Key};
    key.key = {true, 36, 0, 1}; // Return, after the right password
    for (const std::string &packet : protocol::EncodeBatch({key, {Kind::Go}}))
        ASSERT_EQ(::send(m_pair[0], packet.data(), packet.size(), 0), ssize_t(packet.size()));
    link.SetKeyReplay([&](const std::vector<protocol::CaughtKey> &) { link.LockEnded(); });
    link.LockStarting(LockKind::Normal);
    link.LockShown();
    QTest::qWait(50);
    EXPECT_EQ(Kinds(Received()), (std::vector<Kind>{Kind::StartingNormal, Kind::Shown, Kind::Ended}));
    EXPECT_EQ(shell().calls.count("DisableSystemKeys"), 0) << "no grab after the lock ended";
}

TEST_F(SupervisorLinkTest, AGoneSupervisorEndsTheProgramButNeverALock)
{
    struct Case {
        bool lockUp;
        std::vector<int> endings;
    };
    for (const Case &c : {Case{false, {0}}, Case{true, {}}}) {
        session().endings.clear();
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        SupervisorLink link({pair[1], false, false});
        if (c.lockUp)
            link.LockStarting(LockKind::Normal);
        ::close(pair[0]);
        QTest::qWait(50);
        EXPECT_EQ(session().endings, c.endings) << (c.lockUp ? "locked" : "not locked");
        // A lock that ends later writes to nobody and goes on.
        if (c.lockUp)
            link.LockEnded();
    }
}

TEST_F(SupervisorLinkTest, WithoutASupervisorNothingIsSentOrWaitedFor)
{
    SupervisorLink link(SupervisorEnvironment{});
    QElapsedTimer waited;
    waited.start();
    link.LockStarting(LockKind::Normal);
    link.LockShown();
    link.LockEnded();
    EXPECT_LT(waited.elapsed(), 200);
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(link.PicturesAllowed());
}

TEST_F(SupervisorLinkTest, TheEnvironmentIsReadOnceAndCleared)
{
    const int open = ::dup(m_pair[1]);
    const int closed = ::dup(m_pair[1]);
    ::close(closed);
    struct Case {
        const char *fd;
        const char *relaunch;
        int wantFd; // -2: the open descriptor
        bool relaunched;
        bool noPictures;
    };
    const std::string openText = std::to_string(open), closedText = std::to_string(closed);
    const std::string trailing = openText + "x";
    const Case cases[] = {
        {nullptr, nullptr, -1, false, false},
        {openText.c_str(), nullptr, -2, false, false},
        {openText.c_str(), "1", -2, true, false},
        {openText.c_str(), "no-pictures", -2, true, true},
        {closedText.c_str(), "1", -1, true, false}, // not open here: not supervised
        {"abc", nullptr, -1, false, false},
        {"", nullptr, -1, false, false},
        {"1", nullptr, -1, false, false}, // the standard streams are never the link
        {trailing.c_str(), nullptr, -1, false, false},
    };
    for (const Case &c : cases) {
        const std::string label =
            std::string(c.fd ? c.fd : "(unset)") + " / " + (c.relaunch ? c.relaunch : "-");
        if (c.fd)
            ::setenv(protocol::kSocketVariable, c.fd, 1);
        else
            ::unsetenv(protocol::kSocketVariable);
        if (c.relaunch)
            ::setenv(protocol::kRelaunchVariable, c.relaunch, 1);
        else
            ::unsetenv(protocol::kRelaunchVariable);
        const SupervisorEnvironment env = platform::TakeSupervisorEnvironment();
        EXPECT_EQ(env.fd, c.wantFd == -2 ? open : c.wantFd) << label;
        EXPECT_EQ(env.relaunched, c.relaunched) << label;
        EXPECT_EQ(env.noPictures, c.noPictures) << label;
        EXPECT_EQ(std::getenv(protocol::kSocketVariable), nullptr) << label;
        EXPECT_EQ(std::getenv(protocol::kRelaunchVariable), nullptr) << label;
        if (env.fd >= 0) { // programs started later do not inherit it
            EXPECT_EQ(::fcntl(env.fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC) << label;
        }
    }
    // Only a lock brought back after a crash must come up whatever it would refuse for.
    for (const char *mode : {"first", "1", "no-pictures"}) {
        ::setenv(protocol::kSocketVariable, openText.c_str(), 1);
        ::setenv(protocol::kRelaunchVariable, mode, 1);
        const SupervisorEnvironment env = platform::TakeSupervisorEnvironment();
        EXPECT_TRUE(env.relaunched) << mode;
        EXPECT_EQ(env.afterCrash, std::string(mode) != "first") << mode;
    }
    ::close(open);
    EXPECT_FALSE(SupervisorLink(Linked(true)).PicturesAllowed());
}

} // namespace
