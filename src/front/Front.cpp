#include "front/Front.h"

#include "front/Supervisor.h"
#include "platform/LockCover.h"
#include "platform/TrustedFile.h"
#include "platform/Version.h"
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
constexpr int kCannotRunHere = 3;

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

// What the switch brings up, for the one line that says it cannot.
std::string WhatItShows(const CommandLine &line)
{
    if (!line.row)
        return "the main screen";
    return line.row->what;
}

void CloseIfOpen(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace

CommandLine ReadCommandLine(int argc, const char *const *argv)
{
    CommandLine line;
    if (argc > 1) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h")
            line.request = Request::Help;
        else if (first == "--version")
            line.request = Request::Version;
    }
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line.argText += ' ';
        line.argText += argv[i];
    }
    line.row = switches::Find(line.argText);
    return line;
}

std::string UsageText()
{
    std::string text = "Usage: gardlock [SWITCH]\n"
                       "       gardlock --help | -h | --version\n"
                       "\n"
                       "Gardlock 2001 locks the X11 desktop until the password is typed, and keeps\n"
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
            "       asked for while one is up\n"
            "  3    cannot run here: no usable display, or a lock refused because it\n"
            "       could not really hold the keyboard (the reason is on stderr)\n"
            "  4    the uninstall guard's Cancel\n"
            "  70   the display went away while running\n"
            "  128+N  killed by signal N\n";
    return text;
}

std::string NoDisplayLine(const CommandLine &line, const DisplayNames &names, bool reachable)
{
    const bool lock = line.row && switches::IsLock(line.row->target);
    if (names.x11.empty()) {
        if (lock)
            return "gardlock: cannot lock: there is no X11 display (DISPLAY is not set); a lock here could "
                   "not hold the keyboard.";
        if (names.wayland.empty())
            return "gardlock: cannot show " + WhatItShows(line) +
                   ": there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set).";
        return {};
    }
    if (!reachable)
        return std::string("gardlock: cannot ") + (lock ? "lock" : "show " + WhatItShows(line)) +
               ": the X11 display \"" + names.x11 + "\" cannot be reached.";
    return {};
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
    const CommandLine line = ReadCommandLine(argc, argv);
    if (line.request == Request::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (line.request == Request::Version) {
        std::puts(app::kNameAndVersion);
        return 0;
    }

    const bool lock = line.row && switches::IsLock(line.row->target);
    int sleepLockFd = TakeSleepLockFd();
    const DisplayNames names{Env("DISPLAY"), Env("WAYLAND_DISPLAY")};
    bool reachable = false;
    if (!names.x11.empty())
        reachable = lock ? cover.Prepare() : platform::x11::DisplayReachable();
    // Every refusal: one line on stderr, the locker's descriptor let go, status 3.
    const auto refuse = [&sleepLockFd](const std::string &line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        CloseIfOpen(sleepLockFd);
        return kCannotRunHere;
    };
    if (const std::string refusal = NoDisplayLine(line, names, reachable); !refusal.empty())
        return refuse(refusal);

    supervision::Launch launch;
    launch.program = ProgramPath();
    const std::string untrusted = launch.program.empty() ? "the program's own folder cannot be found"
                                                         : platform::UntrustedFileReason(launch.program);
    if (!untrusted.empty())
        return refuse((lock ? "gardlock: cannot lock: " : "gardlock: cannot show " + WhatItShows(line) + ": ") +
                      untrusted + ".");
    for (int i = 1; i < argc; ++i)
        launch.args.emplace_back(argv[i]);
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
                return 0;
            case platform::LockCover::Mark::Failed:
                return refuse("gardlock: cannot lock: the X server did not answer while the display was being "
                              "marked as locked.");
            }
            // The server itself would break the grab on a key press.
            if (cover.BindsGrabBreakingKeys())
                return refuse(std::string("gardlock: cannot lock: ") + platform::x11::GrabBreakingKeysReason());
            launch.coverFirst = line.row->target == switches::Target::NormalLock
                                    ? platform::SupervisedLock::Normal
                                    : platform::SupervisedLock::NtStyle;
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
