#include "front/Front.h"

#include "front/CommandWatchdog.h"
#include "front/Daemon.h"
#include "front/DisplayChoice.h"
#include "front/EventTimes.h"
#include "front/Supervisor.h"
#include "platform/x11/plain/LockCover.h"
#include "core/ExitStatus.h"
#include "core/TrustedFile.h"
#include "core/WrongPasswordTally.h"
#include "core/Version.h"
#include "front/WaylandSupervisor.h"
#include "platform/wayland/plain/OwnXwayland.h"
#include "platform/wayland/plain/SessionLockMark.h"
#include "platform/wayland/plain/WaylandSessionLock.h"
#include "platform/wayland/plain/WaylandProbe.h"
#include "platform/x11/plain/X11GrabBreak.h"
#include "platform/x11/plain/X11RootCover.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace front {

namespace {

// The program the front runs: beside the front's own executable.
constexpr char kProgramName[] = "gardlock-ui";
constexpr char kSleepLockVariable[] = "XSS_SLEEP_LOCK_FD";
constexpr char kDaemonizeOption[] = "--daemonize";
// How long a compositor has to grant the session lock. Measured: 2 ms.
constexpr int kSessionLockTimeoutMs = 5000;

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// The program beside the front's own executable; empty when the front cannot
// tell where it is (a program of that name looked up elsewhere is never run).
std::string ProgramPath()
{
    char self[4096];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (size <= 0)
        return {};
    std::string path(self, size_t(size));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1) + kProgramName;
}

void CloseIfOpen(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// What a lock's choice of display system needs, asked only as far as it
// decides: the X server's kind matters only beside a compositor that answered.
DisplayFacts FindDisplayFacts(const DisplayNames &names, bool x11Reachable, platform::LockCover &cover)
{
    DisplayFacts facts;
    facts.x11.named = !names.x11.empty();
    facts.x11.reachable = x11Reachable;
    facts.wayland = platform::wayland::ProbeCompositor(names.wayland);
    // The X socket's owner tells Debian 12's Xwayland, which has no XWAYLAND
    // extension to ask; the extension tells later ones.
    if (facts.wayland.reached && facts.x11.named && x11Reachable)
        facts.x11.xwayland =
            platform::wayland::IsCompositorsXwayland(names.x11, facts.wayland.compositorPid) || cover.GrabsLeak();
    return facts;
}

// Takes the session lock, then runs the lock under supervision. A lock
// asked for while one of ours holds this session ends at once, as on X11.
template <typename Refuse>
int LockWaylandSession(supervision::Launch &launch, LockKind kind, const std::string &display, Refuse refuse)
{
    platform::wayland::SessionLockMark mark;
    if (mark.ClaimFor(display) == platform::wayland::SessionLockMark::Claim::OtherLock) {
        std::fprintf(stderr, "gardlock: a lock is already up on this session.\n");
        return exit_status::kOk;
    }
    platform::wayland::WaylandSessionLock session;
    switch (session.Lock(display, kSessionLockTimeoutMs)) {
    case platform::wayland::WaylandSessionLock::Outcome::Locked:
        supervision::NoteTime("locked");
        // The session is hidden from now on: a locker may let the machine sleep.
        if (launch.sleepLockFd >= 0)
            ::close(launch.sleepLockFd);
        launch.sleepLockFd = -1;
        if (launch.locked)
            launch.locked();
        break;
    case platform::wayland::WaylandSessionLock::Outcome::NoLock:
        return refuse(NoSessionLockLine());
    case platform::wayland::WaylandSessionLock::Outcome::Refused:
        return refuse(CannotLockLine("the Wayland compositor refused the session lock (ext-session-lock-v1); "
                                     "another locker may hold the session"));
    case platform::wayland::WaylandSessionLock::Outcome::Failed:
        return refuse(CannotLockLine("the Wayland compositor did not grant the session lock "
                                     "(ext-session-lock-v1) in time"));
    }
    launch.coverFirst = kind;
    return supervision::SuperviseWayland(launch, session);
}

} // namespace

std::string UsageText()
{
    std::string text = "Usage: gardlock [SWITCH]\n"
                       "       gardlock --daemonize LOCK-SWITCH\n"
                       "       gardlock --show-log\n"
                       "       gardlock --help | -h | --version\n"
                       "\n"
                       "Gardlock 2001 locks the desktop (X11, or Wayland through the compositor's\n"
                       "session lock) until the password is typed, and keeps\n"
                       "a log of every wrong password. One switch, the first two characters of the\n"
                       "arguments, case-sensitive, picks what comes up:\n"
                       "\n";
    for (const switches::Row &row : switches::kSwitches)
        text += std::string("  ") + row.sw + "   " + row.what + "\n";
    text += "  (none or anything else)   the main screen\n"
            "\n"
            "A lock asked for while a lock is already up on the same display ends at once\n"
            "with status 0, so an idle or suspend locker may fire it any number of times:\n"
            "  xautolock -time 10 -locker 'gardlock /d'\n"
            "  xss-lock -- gardlock /d       (XSS_SLEEP_LOCK_FD is closed once locked)\n"
            "--daemonize returns 0 as soon as the display is locked and leaves the lock\n"
            "up in the background, for lockers that wait for their command to return:\n"
            "  swayidle -w timeout 300 'gardlock --daemonize /d' before-sleep 'gardlock --daemonize /d'\n"
            "--show-log opens the Log Viewer (where the main screen is up already, it\n"
            "moves there); the notice after an unlock with wrong passwords offers it.\n"
            "\n"
            "Files ($XDG_DATA_HOME defaults to ~/.local/share, $XDG_CONFIG_HOME to ~/.config):\n"
            "  $XDG_DATA_HOME/gardlock/drive_c/cslckrt.sys     the password\n"
            "  $XDG_DATA_HOME/gardlock/drive_c/intruder.log    the intruder log\n"
            "  $XDG_DATA_HOME/gardlock/drive_c/005478.ld ... 005778.ld   NT-style lock texts\n"
            "  $XDG_DATA_HOME/gardlock/dosdevices/<letter>:    other drives (symlinks)\n"
            "  $XDG_CONFIG_HOME/DW2001.conf                    settings\n"
            "  $XDG_CONFIG_HOME/autostart/gardlock-*.desktop   start-up entries\n"
            "\n"
            "Exit status:\n"
            "  0    ended normally (the right password, or closed); also a second lock\n"
            "       asked for while one is up, and --daemonize once the lock holds\n"
            "  2    --daemonize with a switch that is not a lock\n"
            "  3    cannot run here: no usable display, or a lock refused because it\n"
            "       could not really hold the keyboard, or a Wayland compositor without\n"
            "       the session lock (ext-session-lock-v1) (the reason is on stderr)\n"
            "  4    the uninstall guard's Cancel\n"
            "  70   the display went away while running, or the compositor ended the\n"
            "       session lock by a rule of its own\n"
            "  128+N  killed by signal N\n";
    return text;
}

int TakeSleepLockFd()
{
    const std::string text = Env(kSleepLockVariable);
    ::unsetenv(kSleepLockVariable);
    int fd = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    // 0 to 2 are the standard streams, never a locker's descriptor.
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || fd <= STDERR_FILENO)
        return -1;
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        return -1; // not open here
    return fd;
}

int Main(int argc, char **argv, platform::LockCover &cover)
{
    // The watchdog the program starts for each wrong password: no display, no lock.
    if (argc == 3 && std::strcmp(argv[1], kIntruderCommandOption) == 0)
        return WatchIntruderCommand(argv[2]);
    // The front's own option, read before the switch and never passed on.
    const bool daemonize = argc > 1 && std::strcmp(argv[1], kDaemonizeOption) == 0;
    if (daemonize) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    const CommandLine line = ReadCommandLine(argc, argv);
    if (daemonize && (line.request != Request::Program || !switches::IsLock(line.row))) {
        std::fprintf(stderr, "gardlock: --daemonize is for the lock switches only (/d, /b, /t, /n, /e, /w).\n");
        return exit_status::kUsage;
    }
    if (line.request == Request::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return exit_status::kOk;
    }
    if (line.request == Request::Version) {
        std::puts(app::kNameAndVersion);
        return exit_status::kOk;
    }

    supervision::NoteTime("started");
    // Before any connection: the lock's process makes its own.
    Daemon daemon;
    if (daemonize && !daemon.Detach())
        std::fprintf(stderr, "gardlock: cannot run in the background (%s); the lock stays in the foreground.\n",
                     std::strerror(errno));
    const bool lock = switches::IsLock(line.row);
    const bool resumed = Env(protocol::kResumeVariable) == "1";
    ::unsetenv(protocol::kResumeVariable);
    // The wrong passwords of the lock a front that died supervised.
    const std::optional<protocol::WrongPasswordTally> carried = protocol::ParseTally(Env(protocol::kTallyVariable));
    ::unsetenv(protocol::kTallyVariable);
    int sleepLockFd = TakeSleepLockFd();
    const DisplayNames names{Env("DISPLAY"), Env("WAYLAND_DISPLAY")};
    bool reachable = false;
    if (!names.x11.empty())
        reachable = lock ? cover.Prepare() : platform::x11::DisplayReachable();
    // Every refusal: one line on stderr, the locker's descriptor let go, status 3.
    const auto refuse = [&sleepLockFd](const std::string &line) {
        PrintRefusal(line);
        CloseIfOpen(sleepLockFd);
        return exit_status::kCannotRunHere;
    };
    // On a Wayland session only the compositor can lock, through its session
    // lock: without one, nothing can.
    bool waylandLock = false;
    if (lock && !names.wayland.empty()) {
        const DisplayFacts facts = FindDisplayFacts(names, reachable, cover);
        waylandLock = ChooseDisplaySystem(facts) == DisplaySystem::Wayland;
        if (waylandLock && !facts.wayland.sessionLock)
            return refuse(NoSessionLockLine());
    }
    if (!waylandLock)
        if (const std::string refusal = NoDisplayLine(line.row, names, reachable); !refusal.empty())
            return refuse(refusal);

    supervision::Launch launch;
    launch.program = ProgramPath();
    const std::string untrusted = launch.program.empty() ? "the program's own folder cannot be found"
                                                         : platform::UntrustedFileReason(launch.program);
    if (!untrusted.empty())
        return refuse(CannotRunLine(line.row, untrusted));
    for (int i = 1; i < argc; ++i)
        launch.args.emplace_back(argv[i]);
    launch.locked = [&daemon] { daemon.Release(); };
    if (waylandLock) {
        // The X server (the compositor's own Xwayland) holds nothing here.
        cover.Close();
        launch.resumed = resumed;
        if (resumed && carried)
            launch.carried = *carried;
        launch.sleepLockFd = sleepLockFd;
        return LockWaylandSession(launch, line.row->lock, names.wayland, refuse);
    }
    if (lock) {
        // Under Wayland a grab keeps keys only from X11 programs: the program
        // refuses such a lock with its reason, so nothing is taken here.
        const bool grabsLeak =
            !names.wayland.empty() || Env("XDG_SESSION_TYPE") == "wayland" || cover.GrabsLeak();
        if (!grabsLeak) {
            switch (cover.ClaimLockMark()) {
            case platform::LockCover::Mark::Claimed:
                break;
            case platform::LockCover::Mark::OtherLock:
                std::fprintf(stderr, "gardlock: a lock is already up on this display.\n");
                CloseIfOpen(sleepLockFd);
                return exit_status::kOk;
            case platform::LockCover::Mark::Failed:
                return refuse(CannotLockLine("the X server did not answer while the display was being marked "
                                             "as locked"));
            }
            // The server itself would break the grab on a key press.
            if (cover.BindsGrabBreakingKeys())
                return refuse(CannotLockLine(platform::x11::GrabBreakingKeysReason()));
            launch.coverFirst = line.row->lock;
        }
        if (grabsLeak) {
            cover.Close();
            CloseIfOpen(sleepLockFd);
            sleepLockFd = -1;
        }
    } else {
        // Whatever a locker passed is no business of the screens.
        CloseIfOpen(sleepLockFd);
        sleepLockFd = -1;
    }
    launch.sleepLockFd = sleepLockFd;
    return supervision::Supervise(launch, cover);
}

} // namespace front
