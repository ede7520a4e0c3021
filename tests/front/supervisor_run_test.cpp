// The supervisor as a whole, with a stand-in cover that records what it is
// asked and a stand-in lock program (fake_lock.py) that plays a plan: a lock
// dying before it says anything, a lock claiming the grabs it does not hold,
// a lock slow to type the keys handed to it, the supervisor's own display
// connection killed under it, and the desktop's layout group given back.

#include "front/Supervisor.h"
#include "platform/x11/plain/LockCover.h"

#include <gtest/gtest.h>


#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#ifndef GARDLOCK_FRONT_TESTS_DIR
#error GARDLOCK_FRONT_TESTS_DIR must name tests/front
#endif

namespace {

using platform::LockCover;

// Grabs succeed unless the lock "holds" them: a file the fake lock touches.
class FakeCover : public LockCover {
public:
    // sleepLockFd: the locker's (reading) end of the sleep-lock pipe.
    FakeCover(std::string lockHolds, int sleepLockFd) : m_lockHolds(std::move(lockHolds)), m_sleepLockFd(sleepLockFd)
    {
        int pipeFds[2];
        EXPECT_EQ(::pipe(pipeFds), 0); // inherited by the fake lock, which writes to kill the connection
        m_killRead = pipeFds[0];
        m_killWrite = pipeFds[1];
        ::fcntl(m_killRead, F_SETFD, FD_CLOEXEC);
    }
    ~FakeCover() override
    {
        ::close(m_killRead);
        ::close(m_killWrite);
    }
    int KillFd() const { return m_killWrite; }

    std::vector<std::string> log;
    int releases = 0;
    // What the grabs caught, handed out by the next TakeKeys; and what the
    // server held back during the first freeze, caught once it thaws.
    std::vector<protocol::CaughtKey> keys;
    std::vector<protocol::CaughtKey> moreOnThaw;
    // The layout group each read finds, in turn (the last one again after
    // that); none: the server cannot tell.
    std::vector<int> groups;

    bool Prepare() override
    {
        if (!m_connected)
            log.push_back("connect");
        m_connected = true;
        return true;
    }
    void Show() override
    {
        Prepare();
        log.push_back("show");
    }
    void Hide() override
    {
        // The cover may go only once the lock holds both and the sleep lock is let go.
        log.push_back(std::string("hide: lock holds ") + (LockHolds() ? "yes" : "no") + ", sleep lock " +
                      (SleepLockClosed() ? "closed" : "open"));
    }
    bool GrabKeyboard() override { return m_connected && !LockHolds(); }
    bool GrabPointer() override { return m_connected && !LockHolds(); }
    void ReleaseGrabs() override { ++releases; }
    // Window 77 can take the focus; any other cannot.
    bool FreezeKeyboardAndFocus(std::uint32_t window) override
    {
        log.push_back("freeze and focus " + std::to_string(window));
        return window == 77;
    }
    void ThawKeyboard() override
    {
        log.push_back("thaw");
        keys.insert(keys.end(), moreOnThaw.begin(), moreOnThaw.end());
        moreOnThaw.clear();
    }
    void ReleaseGrabsToFocus() override { log.push_back("release to focus"); }
    std::vector<protocol::CaughtKey> TakeKeys() override
    {
        std::vector<protocol::CaughtKey> taken;
        taken.swap(keys);
        return taken;
    }
    Mark ClaimLockMark() override { return Mark::Claimed; }
    bool GrabsLeak() override { return false; }
    void Close() override { m_connected = false; }
    bool DisplayGone() override { return !Prepare(); }
    int ConnectionFd() const override { return m_connected ? m_killRead : -1; }
    Events ReadEvents() override
    {
        char byte;
        Events events;
        if (::read(m_killRead, &byte, 1) == 1) {
            log.push_back("connection killed");
            events.connectionLost = true;
            m_connected = false;
        }
        return events;
    }
    bool BindsGrabBreakingKeys() override { return false; }
    std::optional<int> KeyboardGroup() override
    {
        log.push_back("read group");
        if (groups.empty())
            return std::nullopt;
        const int group = groups.front();
        if (groups.size() > 1)
            groups.erase(groups.begin());
        return group;
    }
    void SetKeyboardGroup(int group) override { log.push_back("set group " + std::to_string(group)); }

private:
    bool LockHolds() const { return ::access(m_lockHolds.c_str(), F_OK) == 0; }
    // The locker's end sees the pipe closed once the supervisor let go of it.
    bool SleepLockClosed() const
    {
        pollfd end{m_sleepLockFd, POLLIN, 0};
        return ::poll(&end, 1, 0) == 1 && (end.revents & POLLHUP);
    }
    std::string m_lockHolds;
    int m_sleepLockFd;
    int m_killRead = -1;
    int m_killWrite = -1;
    bool m_connected = false;
};

class SupervisorRun : public ::testing::Test {
protected:
    // Runs the supervisor for a Normal lock the front covered for (or, not
    // coverFirst, for a program that may start locks itself), the fake lock
    // playing one plan line per run; returns the status it ends with.
    int Run(const std::vector<std::string> &plan, bool coverFirst = true)
    {
        std::ofstream(PlanPath()) << [&] {
            std::string text;
            for (const std::string &line : plan)
                text += line + "\n";
            return text;
        }();
        ::unlink((PlanPath() + ".runs").c_str());
        ::unlink((PlanPath() + ".received").c_str());
        ::unlink(m_dir.Path("lockholds").c_str());
        int sleepLock[2];
        EXPECT_EQ(::pipe(sleepLock), 0);
        m_sleepLockRead = sleepLock[0];
        ::fcntl(m_sleepLockRead, F_SETFD, FD_CLOEXEC);
        cover = std::make_unique<FakeCover>(m_dir.Path("lockholds"), m_sleepLockRead);
        cover->keys = caught;
        cover->moreOnThaw = std::exchange(moreOnThaw, {});
        cover->groups = groups;
        ::setenv("FAKE_LOCK_PLAN", PlanPath().c_str(), 1);
        ::setenv("FAKE_KILL_FD", std::to_string(cover->KillFd()).c_str(), 1);
        supervision::Launch launch;
        launch.program = GARDLOCK_FRONT_TESTS_DIR "/fake_lock.py";
        launch.args = {"/d"};
        if (coverFirst)
            launch.coverFirst = LockKind::Normal;
        launch.sleepLockFd = sleepLock[1];
        const int status = supervision::Supervise(launch, *cover);
        ::close(m_sleepLockRead);
        return status;
    }
    // Each run's arguments and how it was started ("first", "1", "no-pictures").
    std::vector<std::string> Runs() const
    {
        std::vector<std::string> runs;
        std::ifstream in(PlanPath() + ".runs");
        for (std::string line; std::getline(in, line);)
            runs.push_back(line);
        return runs;
    }
    // Every line the fake locks read, in order.
    std::vector<std::string> Received() const
    {
        std::vector<std::string> lines;
        std::ifstream in(PlanPath() + ".received");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::string PlanPath() const { return m_dir.Path("plan"); }
    // Where the entry is in the cover's log (its end when it is not there).
    long At(const std::string &entry) const
    {
        return std::find(cover->log.begin(), cover->log.end(), entry) - cover->log.begin();
    }
    long Count(const std::string &entry) const { return std::count(cover->log.begin(), cover->log.end(), entry); }

    // Given to the next run's cover.
    std::vector<protocol::CaughtKey> caught;
    std::vector<protocol::CaughtKey> moreOnThaw;
    std::vector<int> groups;
    std::unique_ptr<FakeCover> cover;

private:
    // A folder of the test's own, removed with everything in it.
    struct TemporaryDir {
        std::string path;
        TemporaryDir()
        {
            std::string pattern = std::filesystem::temp_directory_path() / "gardlock-front-XXXXXX";
            if (::mkdtemp(pattern.data()))
                path = pattern;
        }
        ~TemporaryDir()
        {
            std::error_code ignored;
            if (!path.empty())
                std::filesystem::remove_all(path, ignored);
        }
        std::string Path(const char *name) const { return path + "/" + name; }
    } m_dir;
    int m_sleepLockRead = -1;
};

// The first `count` lines (a lock that answers late is offered the grabs again).
std::vector<std::string> First(std::vector<std::string> lines, size_t count)
{
    lines.resize(std::min(count, lines.size()));
    return lines;
}

// Shown, handed the grabs, holding them, then unlocked.
const std::string kHonestLock = "send:start /d; send:shown; wait:go; touch:lockholds; send:held 1; send:ended; exit:0";

TEST_F(SupervisorRun, ALockThatDiesBeforeItSaysAnythingComesBack)
{
    // Dead at once, then killed at load by the out-of-memory killer's signal,
    // then an honest lock.
    EXPECT_EQ(Run({"exit:1", "send:start /d; exit:137", kHonestLock}), 0);
    // A death before the lock could report may have been its picture: pictures go.
    EXPECT_EQ(Runs(), (std::vector<std::string>{"/d first", "/d no-pictures", "/d no-pictures"}));
    // One cover from the start to the honest lock's grab: never taken down in between.
    ASSERT_FALSE(cover->log.empty());
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");
    EXPECT_EQ(std::count_if(cover->log.begin(), cover->log.end(),
                            [](const std::string &entry) { return entry.starts_with("hide"); }),
              1);
}

TEST_F(SupervisorRun, OnlyAFirstLockMayRefuseTheDisplay)
{
    EXPECT_EQ(Run({"send:refused; exit:3"}), 3);
    EXPECT_EQ(Runs().size(), 1u);

    // Brought back after a crash, the lock was up: a refusal then is a crash too.
    EXPECT_EQ(Run({"exit:1", "send:refused; exit:3", kHonestLock}), 0);
    EXPECT_EQ(Runs().size(), 3u);
}

TEST_F(SupervisorRun, HeldCountsOnlyWhenTheLockReallyHoldsBoth)
{
    // The first "held" comes while the grabs are still free: the supervisor
    // takes them back and offers them again; the cover stays until the lock
    // really has them.
    EXPECT_EQ(Run({"send:start /d; send:shown; wait:go; send:held 1; wait:go; touch:lockholds; send:held 2; "
                   "send:ended; exit:0"}),
              0);
    const auto hides = std::count_if(cover->log.begin(), cover->log.end(),
                                     [](const std::string &entry) { return entry.starts_with("hide"); });
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");
}

TEST_F(SupervisorRun, TheKeyboardGoesStraightToTheLocksWindowWhenItCanTakeTheFocus)
{
    caught = {{true, 38, 0, 1}, {false, 38, 0, 2}};
    EXPECT_EQ(Run({"send:start /d; send:shown 77; wait:go; touch:lockholds; send:held 1; send:ended; exit:0"}), 0);
    // Frozen and focused, the caught keys typed by the lock, and only then let go of.
    EXPECT_LT(At("freeze and focus 77"), At("release to focus"));
    EXPECT_LT(At("release to focus"), long(cover->log.size()));
    EXPECT_EQ(cover->releases, 0) << "handed over, not let go of";
    EXPECT_EQ(First(Received(), 4), (std::vector<std::string>{"key p 38 0 1", "key r 38 0 2", "type 1", "go"}));
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");

    // A window that cannot take the focus: the keys go before the grabs are
    // let go of, as they are.
    EXPECT_EQ(Run({"send:start /d; send:shown 78; wait:go; touch:lockholds; send:held 1; send:ended; exit:0"}), 0);
    EXPECT_LT(At("freeze and focus 78"), long(cover->log.size()));
    EXPECT_EQ(Count("release to focus"), 0);
    EXPECT_GE(cover->releases, 1);
    EXPECT_EQ(First(Received(), 3), (std::vector<std::string>{"key p 38 0 1", "key r 38 0 2", "go"}));
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");
}

TEST_F(SupervisorRun, ALockSlowToTypeItsKeysGetsEachOnceAndTheKeyboardOnlyAfterItTypedThem)
{
    caught = {{true, 38, 0, 1}, {false, 38, 0, 2}};
    // Well past the bound on the frozen keyboard before it says "typed".
    EXPECT_EQ(Run({"send:start /d; send:shown 77; wait:type; sleep:400; typed; wait:go; touch:lockholds; "
                   "send:held 1; send:ended; exit:0"}),
              0);
    // The keyboard held here again meanwhile, then frozen again, and let go
    // of only after the late "typed": never before the keys are in the lock.
    ASSERT_LT(At("thaw"), long(cover->log.size()));
    EXPECT_GE(Count("freeze and focus 77"), 2);
    EXPECT_LT(At("thaw"), At("release to focus"));
    EXPECT_LT(At("release to focus"), long(cover->log.size()));
    EXPECT_EQ(cover->releases, 0);
    // Sent once, with one request to type them, before "go".
    EXPECT_EQ(First(Received(), 4), (std::vector<std::string>{"key p 38 0 1", "key r 38 0 2", "type 1", "go"}));
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");
}

TEST_F(SupervisorRun, KeysTypedWhileTheLockTypesTheCaughtOnesArePassedOnBeforeTheKeyboardIsLetGo)
{
    // Two keys caught before the hand-over; two more held back by the
    // server while the lock types those, which reach this grab once it
    // thaws: a second round takes them.
    caught = {{true, 38, 0, 1}, {false, 38, 0, 2}};
    moreOnThaw = {{true, 39, 0, 3}, {false, 39, 0, 4}};
    EXPECT_EQ(Run({"send:start /d; send:shown 77; wait:go; touch:lockholds; send:held 1; send:ended; exit:0"}), 0);
    EXPECT_EQ(First(Received(), 7), (std::vector<std::string>{"key p 38 0 1", "key r 38 0 2", "type 1", "key p 39 0 3",
                                                              "key r 39 0 4", "type 2", "go"}));
    EXPECT_EQ(Count("freeze and focus 77"), 3) << "the last freeze finds nothing held back";
    EXPECT_EQ(cover->releases, 0);
}

TEST_F(SupervisorRun, WhatALockSaysWhileAHandOverWaitsIsHandledAfterIt)
{
    // The right password among the keys it typed ends the lock before it
    // says "typed", and its program ends: the lock is over, not crashed.
    caught = {{true, 36, 0, 1}};
    EXPECT_EQ(Run({"send:start /d; send:shown 77; wait:type; send:ended; exit:0", kHonestLock}), 0);
    EXPECT_EQ(Runs().size(), 1u);
    EXPECT_LT(At("thaw"), long(cover->log.size()));
    ASSERT_FALSE(cover->log.empty());
    EXPECT_EQ(cover->log.back().substr(0, 4), "hide");
}

TEST_F(SupervisorRun, AShownLockThatNeverTakesTheGrabsIsReplaced)
{
    // Shown, then deaf: it never takes the grabs it is offered again and again.
    EXPECT_EQ(Run({"send:start /d; send:shown; sleep:60000", kHonestLock}), 0);
    EXPECT_EQ(Runs().size(), 2u);
    EXPECT_EQ(cover->log.back(), "hide: lock holds yes, sleep lock closed");
}

TEST_F(SupervisorRun, AKilledDisplayConnectionIsMadeAgainAndCoversAtOnce)
{
    EXPECT_EQ(Run({"send:start /d; send:shown; wait:go; poke:FAKE_KILL_FD; sleep:100; touch:lockholds; "
                   "send:held 1; send:ended; exit:0"}),
              0);
    const auto killed = std::find(cover->log.begin(), cover->log.end(), "connection killed");
    ASSERT_NE(killed, cover->log.end());
    // Straight after: a new connection and the cover up again, before the lock held anything.
    const std::vector<std::string> after(killed + 1, cover->log.end());
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], "connect");
    EXPECT_EQ(after[1], "show");
}

TEST_F(SupervisorRun, TheDesktopGetsItsLayoutGroupBackWhenTheLockEnds)
{
    // Read when the front covers for the lock, not again at the relaunch
    // after its crash (the owner may have switched it meanwhile), and set
    // again when the right password ends it.
    groups = {2, 0};
    EXPECT_EQ(Run({"send:start /d; send:shown; wait:go; exit:1", kHonestLock}), 0);
    EXPECT_EQ(Runs().size(), 2u);
    EXPECT_EQ(Count("read group"), 1);
    EXPECT_EQ(Count("set group 2"), 1);
    EXPECT_EQ(cover->log.back(), "set group 2");
}

TEST_F(SupervisorRun, EachLockAProgramStartsGivesItsGroupBack)
{
    struct Case {
        const char *name;
        std::vector<int> groups;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"two locks", {1, 3}, {"read group", "set group 1", "read group", "set group 3"}},
        {"a server that cannot tell", {}, {"read group", "read group"}},
    };
    for (const Case &c : cases) {
        groups = c.groups;
        EXPECT_EQ(Run({"send:start /d; send:ended; send:start /n; send:ended; exit:0"}, false), 0) << c.name;
        std::vector<std::string> log;
        for (const std::string &entry : cover->log)
            if (entry.find("group") != std::string::npos)
                log.push_back(entry);
        EXPECT_EQ(log, c.log) << c.name;
    }
}

} // namespace
