#include "rules/PasswordStore.h"
#include "platform/ProcessFacts.h"
#include "platform/autostart/RegStuff.h"
#include "startup/CommandLineCode.h"
#include "support/FullDisk.h"
#include "support/Sandbox.h"

#include "ui/WindowServices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

using CommandLineCode::Target;
using testing_support::SandboxTest;

namespace {

// Records what the dispatcher brought up, and which start-up entries stood at
// that moment.
class RecordingTargets : public CommandLineCode::Targets {
public:
    QStringList shown;
    bool dEntryWhenShown = false;
    bool nEntryWhenShown = false;

    void Note(const QString &what)
    {
        shown << what;
        dEntryWhenShown = HasStartupEntry(StartupList::Services, "Gardlock.exe /d");
        nEntryWhenShown = HasStartupEntry(StartupList::Services, "Gardlock.exe /n");
    }
    void ShowLock(LockKind kind) override { Note(kind == LockKind::Normal ? "NormalLock" : "NtStyleLock"); }
    void ShowAbout() override { Note("About"); }
    void ShowPasswordSettings() override { Note("PasswordSettings"); }
    void ShowTrayIcon() override { Note("TrayIcon"); }
    void ShowUninstall() override { Note("Uninstall"); }
    void ShowMainScreen() override { Note("MainScreen"); }
    void ShowLogViewer() override { Note("LogViewer"); }
};

struct SwitchCase {
    const char *argText;
    const char *shown;
    const char *entry; // placed in the services list first, or ""
};

class DispatchTest : public SandboxTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(DispatchTest, BringsUpExactlyOneThing)
{
    const SwitchCase &c = GetParam();
    RecordingTargets targets;
    EXPECT_EQ(CommandLineCode::Main(switches::Find(c.argText), targets), 0);
    EXPECT_EQ(targets.shown, QStringList{c.shown}) << "argument text: [" << c.argText << "]";

    const QStringList entries = QDir(StartupFolder()).entryList(QDir::Files);
    if (QByteArray(c.entry).isEmpty()) {
        EXPECT_TRUE(entries.isEmpty()) << entries.join(", ").toStdString();
    } else {
        EXPECT_EQ(entries.size(), 1);
        EXPECT_TRUE(HasStartupEntry(StartupList::Services, c.entry));
        // Placed before the lock came up.
        EXPECT_TRUE(QByteArray(c.entry).endsWith("/d") ? targets.dEntryWhenShown : targets.nEntryWhenShown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, DispatchTest,
    ::testing::Values(SwitchCase{"/d", "NormalLock", ""}, SwitchCase{"/t", "NormalLock", ""},
                      SwitchCase{"/b", "NormalLock", "Gardlock.exe /d"}, SwitchCase{"/n", "NtStyleLock", ""},
                      SwitchCase{"/w", "NtStyleLock", ""}, SwitchCase{"/e", "NtStyleLock", "Gardlock.exe /n"},
                      SwitchCase{"/a", "About", ""}, SwitchCase{"/s", "PasswordSettings", ""},
                      SwitchCase{"/i", "TrayIcon", ""}, SwitchCase{"/u", "Uninstall", ""},
                      SwitchCase{"", "MainScreen", ""}, SwitchCase{"/", "MainScreen", ""},
                      SwitchCase{"x", "MainScreen", ""}, SwitchCase{"/D", "MainScreen", ""},
                      SwitchCase{" /d", "MainScreen", ""}, SwitchCase{"/x", "MainScreen", ""},
                      SwitchCase{"/dxyz more", "NormalLock", ""},
                      SwitchCase{"/bogus", "NormalLock", "Gardlock.exe /d"},
                      SwitchCase{"/i /d", "TrayIcon", ""}));

class StartupTest : public SandboxTest {};

TEST_F(StartupTest, ShowLogIsTheProgramsOwnOptionAndCountsOnlyFirst)
{
    const auto shownFor = [](std::vector<const char *> args) {
        args.insert(args.begin(), "gardlock-ui");
        RecordingTargets targets;
        EXPECT_EQ(CommandLineCode::Main(ReadCommandLine(int(args.size()), args.data()), targets), 0);
        return targets.shown;
    };
    EXPECT_EQ(shownFor({"--show-log"}), QStringList{"LogViewer"});
    // After a switch it is nothing of the kind: the two-character rule answers.
    EXPECT_EQ(shownFor({"/a", "--show-log"}), QStringList{"About"});
    EXPECT_EQ(shownFor({"--show-logs"}), QStringList{"MainScreen"});
    EXPECT_TRUE(QDir(StartupFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(StartupTest, LockOnADisplayThatCannotBeHeldIsRefusedBeforeAnythingHappens)
{
    shell().cannotLockReason = "no X11 display";
    for (const char *sw : {"/b", "/e", "/d", "/n"}) {
        RecordingTargets targets;
        EXPECT_NE(CommandLineCode::Main(switches::Find(sw), targets), 0) << sw;
        EXPECT_TRUE(targets.shown.isEmpty()) << sw;
    }
    EXPECT_TRUE(QDir(StartupFolder()).entryList(QDir::Files).isEmpty());

    // Screens that are not locks still come up.
    RecordingTargets targets;
    EXPECT_EQ(CommandLineCode::Main(switches::Find("/a"), targets), 0);
    EXPECT_EQ(targets.shown, QStringList{"About"});
}

TEST_F(StartupTest, ALockWithNoPasswordFileSaysOnStderrThatEnterOpensIt)
{
    const std::string warning =
        "gardlock: no password is set; this lock opens with Enter alone. Set one with: gardlock /s\n";
    struct Case {
        const char *sw;
        const char *password; // written first, unless null
        const char *refusal;  // the display cannot be held, unless null
        bool warns;
    } cases[] = {
        {"/d", nullptr, nullptr, true},
        {"/n", nullptr, nullptr, true},
        {"/b", nullptr, nullptr, true},
        {"/a", nullptr, nullptr, false},
        {"/s", nullptr, nullptr, false},
        {"", nullptr, nullptr, false},
        {"/d", "secret", nullptr, false},
        {"/e", "secret", nullptr, false},
        // Refused before anything: the refusal is the one line.
        {"/d", nullptr, "no X11 display", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.sw) + (c.password ? " with a password" : "") +
                     (c.refusal ? " refused" : ""));
        QFile::remove(PasswordFilePath());
        if (c.password) {
            ASSERT_TRUE(WritePassword(c.password));
        }
        shell().cannotLockReason = c.refusal ? c.refusal : "";
        RecordingTargets targets;
        testing::internal::CaptureStderr();
        CommandLineCode::Main(switches::Find(c.sw), targets);
        const std::string err = testing::internal::GetCapturedStderr();
        if (c.warns) {
            EXPECT_EQ(err, warning);
        } else {
            EXPECT_EQ(err.find("no password"), std::string::npos) << err;
        }
        // Only said: the file is neither made nor changed.
        const StoredPassword stored = ReadPassword();
        EXPECT_EQ(stored.status, c.password ? PasswordStatus::Stored : PasswordStatus::NoPassword);
        if (c.password) {
            EXPECT_EQ(stored.text, c.password);
        }
    }
}

TEST_F(StartupTest, EntryHoldsTheCommandAndTheFullCommandLine)
{
    app::SetPathForTesting("/opt/gard lock");
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /d"));
    QSettings entry(StartupEntryPath(StartupList::Services, "Gardlock.exe /d"), QSettings::IniFormat);
    entry.beginGroup("Desktop Entry");
    EXPECT_EQ(entry.value("Type").toString(), "Application");
    EXPECT_EQ(entry.value("X-Gardlock-Command").toString(), "Gardlock.exe /d");
    EXPECT_EQ(entry.value("X-Gardlock-List").toString(), "services");
    EXPECT_FALSE(entry.value("Name").toString().isEmpty());
    const QByteArray raw = ReadBytes(StartupEntryPath(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_TRUE(raw.contains("\nExec=\"/opt/gard lock/" + app::ExeName().toUtf8() + "\" /d\n"))
        << raw.constData();
    // Unquoted: a path, not a command line; desktops skip the entry once it is gone.
    EXPECT_TRUE(raw.contains("\nTryExec=/opt/gard lock/" + app::ExeName().toUtf8() + "\n"))
        << raw.constData();
}

TEST_F(StartupTest, NoDoubledSeparatorAfterAFolderThatEndsWithOne)
{
    app::SetPathForTesting("/");
    EXPECT_EQ(StartupCommandLine("Gardlock.exe /t"), "/" + app::ExeName() + " /t");
    app::SetPathForTesting("/opt/gardlock");
    EXPECT_EQ(StartupCommandLine("Gardlock.exe /t"), "/opt/gardlock/" + app::ExeName() + " /t");
}

TEST_F(StartupTest, EntriesAreAddressedByTheirExactCommand)
{
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /d"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /d"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /t"));
    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /w"));
    ASSERT_TRUE(AddRunStartup("Gardlock.exe /i"));
    EXPECT_EQ(QDir(StartupFolder()).entryList(QDir::Files).size(), 4);

    ASSERT_TRUE(RemoveServiceStartup("Gardlock.exe /t"));
    ASSERT_TRUE(RemoveServiceStartup("Gardlock.exe /t")); // absent: nothing happens
    ASSERT_TRUE(RemoveServiceStartup("Gardlock.exe /i")); // lives in the other list
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /t"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /w"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Run, "Gardlock.exe /i"));

    // Commands that differ only in characters a file name cannot hold stay apart.
    ASSERT_TRUE(AddRunStartup("Gardlock.exe /a"));
    ASSERT_TRUE(AddRunStartup("Gardlock.exe_/a"));
    EXPECT_NE(StartupEntryPath(StartupList::Run, "Gardlock.exe /a"),
              StartupEntryPath(StartupList::Run, "Gardlock.exe_/a"));
    EXPECT_TRUE(HasStartupEntry(StartupList::Run, "Gardlock.exe /a"));
}

TEST_F(StartupTest, FailuresAreReportedAndChangeNothing)
{
    // A full disk: the entry already there stays whole.
    ASSERT_TRUE(AddRunStartup("Gardlock.exe /i"));
    const QString entry = StartupEntryPath(StartupList::Run, "Gardlock.exe /i");
    const QByteArray before = ReadBytes(entry);
    app::SetPathForTesting("/opt/elsewhere");
    {
        const testing_support::FullDisk full;
        ASSERT_TRUE(full.Set());
        EXPECT_FALSE(AddRunStartup("Gardlock.exe /i"));
        EXPECT_FALSE(AddServiceStartup("Gardlock.exe /t"));
    }
    EXPECT_EQ(ReadBytes(entry), before);
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /t"));
    EXPECT_EQ(QDir(StartupFolder()).entryList(QDir::Files).size(), 1) << "temporary files left";

    // An entry that cannot be removed (a folder in its place) is still there.
    ASSERT_TRUE(QDir().mkpath(StartupEntryPath(StartupList::Services, "Gardlock.exe /w")));
    EXPECT_FALSE(RemoveServiceStartup("Gardlock.exe /w"));

    // The autostart folder's place is taken by a file: nothing can be written,
    // and with no folder there is no entry to remove.
    ASSERT_TRUE(QDir(StartupFolder()).removeRecursively());
    WriteBytes(StartupFolder(), "not a folder");
    EXPECT_FALSE(AddServiceStartup("Gardlock.exe /d"));
    EXPECT_TRUE(RemoveServiceStartup("Gardlock.exe /d"));
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_EQ(ReadBytes(StartupFolder()), QByteArray("not a folder"));
}

TEST_F(StartupTest, ALockWhoseRestartEntryCannotBeWrittenStillComesUpAndSaysSo)
{
    ASSERT_TRUE(WritePassword("pw"));
    QDir().mkpath(configHome());
    WriteBytes(StartupFolder(), "not a folder");
    for (const char *sw : {"/b", "/e"}) {
        SCOPED_TRACE(sw);
        RecordingTargets targets;
        testing::internal::CaptureStderr();
        EXPECT_EQ(CommandLineCode::Main(switches::Find(sw), targets), 0);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(targets.shown.size(), 1);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("could not be written in " + StartupFolder().toStdString()), std::string::npos)
            << err;
    }
    // A lock without a restart entry to place says nothing.
    RecordingTargets targets;
    testing::internal::CaptureStderr();
    CommandLineCode::Main(switches::Find("/d"), targets);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(StartupTest, AnAutostartRunnerStartsTheProgramWithItsSwitch)
{
    const QString dex = QStandardPaths::findExecutable("dex");
    if (dex.isEmpty())
        GTEST_SKIP() << "dex is not installed";

    // A stand-in for the program that writes down the arguments it got.
    const QString folder = home() + "/program";
    QDir().mkpath(folder);
    app::SetPathForTesting(folder);
    const QString record = home() + "/started.txt";
    const QString stand_in = folder + "/" + app::ExeName();
    WriteBytes(stand_in, ("#!/bin/sh\necho \"$@\" >> '" + record + "'\n").toUtf8());
    QFile::setPermissions(stand_in, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_TRUE(AddServiceStartup("Gardlock.exe /t"));
    ASSERT_TRUE(AddRunStartup("Gardlock.exe /i"));

    QProcess run;
    run.start(dex, {"--autostart", "--wait", "--search-paths", StartupFolder()});
    ASSERT_TRUE(run.waitForFinished(30000));
    QStringList started = QString::fromUtf8(ReadBytes(record)).split('\n', Qt::SkipEmptyParts);
    started.sort();
    EXPECT_EQ(started, (QStringList{"/i", "/t"})) << run.readAllStandardError().toStdString();
}

} // namespace
