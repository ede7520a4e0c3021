// Gardlock 2001: the program (gardlock-ui), started by the front (gardlock)
// that supervises it. Sets up Qt and the platform services, then hands over
// to the start-up procedure.

#include "core/CommandLine.h"
#include "core/ExitStatus.h"
#include "platform/ProcessFacts.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/modules/LazyServices.h"
#include "platform/sessionlock/DisplayChannel.h"
#include "platform/sessionlock/PlatformName.h"
#include "platform/sessionlock/SessionLockKeyboard.h"
#include "platform/sessionlock/SessionLockShell.h"
#include "platform/supervision/FrontRestart.h"
#include "platform/supervision/SupervisorLink.h"
#include "platform/x11/X11KeyReplay.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11ShellLockdown.h"
#include "startup/CommandLineCode.h"
#include "startup/IntruderNoticeMain.h"
#include "startup/ProgramPages.h"
#include "ui/CaretRest.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QtPlugin>

#include <cstdlib>
#include <memory>
#include <string>

// The program's own platform for a lock the front holds on a Wayland session.
Q_IMPORT_PLUGIN(SessionLockPlugin)

int main(int argc, char **argv)
{
    const platform::SupervisorEnvironment supervisor = platform::TakeSupervisorEnvironment();
    // The front holds a session lock on Wayland and passed the display
    // channel: the program draws into the front's buffers, on no display of
    // its own.
    const bool sessionLock = platform::sessionlock::TakeDisplaySocket() >= 0;

    const CommandLine line = ReadCommandLine(argc, argv);
    // The notice after an unlock, which the front starts detached: no display, no screens.
    if (line.request == Request::IntruderNotice)
        return IntruderNoticeMain(argc, argv);

    // A desktop's theme plugin (GTK's) would open a display connection of
    // its own: kept from Qt here, given back to what the program starts.
    const QByteArray platformTheme = qgetenv("QT_QPA_PLATFORMTHEME");
    // The screens on a Wayland desktop without X run on Qt's Wayland
    // platform; with an X display (Xwayland) they stay on X.
    const bool waylandScreens = !sessionLock && !switches::IsLock(line.row) &&
                                qEnvironmentVariableIsEmpty("DISPLAY") &&
                                !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QByteArray platformAsked = qgetenv("QT_QPA_PLATFORM");
    const bool sharedMemoryOffAsked = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (waylandScreens) {
        ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    } else if (sessionLock) {
        ::setenv("QT_QPA_PLATFORM", platform::sessionlock::kPlatformName, 1);
        ::unsetenv("QT_QPA_PLATFORMTHEME");
    } else if (switches::IsLock(line.row)) {
        const DisplayNames names{qEnvironmentVariable("DISPLAY").toStdString(),
                                 qEnvironmentVariable("WAYLAND_DISPLAY").toStdString()};
        // Whether the display answers is Qt's to find; here only that there is one.
        if (const std::string refusal = NoDisplayLine(line.row, names, true); !refusal.empty()) {
            PrintRefusal(refusal);
            return exit_status::kCannotRunHere;
        }
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // A lock repaints a clock or a box now and then: sent over the
        // socket, each repaint is one wake-up; through shared memory Qt
        // first waits for the server to be done with the last one (a round
        // trip: three wake-ups, once a second).
        ::setenv("QT_XCB_NO_MITSHM", "1", 1);
    }

    // Qt sees only the program's path: options such as -nograb in the argument
    // text must not reach it, and the switch is ours.
    // Under the front's name, so the windows' class stays "gardlock" as
    // window rules and the tray know it.
    std::string name = argv[0];
    if (name.ends_with("-ui"))
        name.resize(name.size() - 3);
    int qtArgc = 1;
    char *qtArgv[] = {name.data(), nullptr};
    QApplication application(qtArgc, qtArgv);
    // Programs started from here must not look for a platform they lack.
    if (sessionLock) {
        ::unsetenv("QT_QPA_PLATFORM");
        if (!platformTheme.isEmpty())
            ::setenv("QT_QPA_PLATFORMTHEME", platformTheme.constData(), 1);
    } else if (switches::IsLock(line.row) && !sharedMemoryOffAsked) {
        ::unsetenv("QT_XCB_NO_MITSHM");
    } else if (waylandScreens) {
        if (platformAsked.isNull())
            ::unsetenv("QT_QPA_PLATFORM");
        else
            ::setenv("QT_QPA_PLATFORM", platformAsked.constData(), 1);
    }
    QApplication::setApplicationName("Gardlock 2001");
    QApplication::setOrganizationName("Corvane Technologies");
    QApplication::setApplicationVersion(app::VersionText());
    // Every window carries the padlock (_NET_WM_ICON), message boxes and locks included.
    QApplication::setWindowIcon(ProgramIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    // On the session lock the front holds the input and the screen: no X11
    // at all; the layout notes follow the keymap the front reads keys with.
    const std::unique_ptr<platform::ShellLockdown> shell =
        sessionLock ? platform::sessionlock::CreateSessionLockShell() : platform::CreateX11ShellLockdown();
    // Qt's Wayland platform tells no layout or Caps Lock: no notes there.
    const std::unique_ptr<platform::KeyboardState> keyboard =
        sessionLock      ? platform::sessionlock::CreateSessionLockKeyboard()
        : waylandScreens ? nullptr
                         : platform::CreateX11KeyboardState();
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    // Printing and HTTP load their modules from the program's folder when first used.
    platform::LazyPrintSystem printers(QApplication::applicationDirPath());
    platform::LazyHttpClient http(QApplication::applicationDirPath());
    platform::SupervisorLink supervisorLink(supervisor);
    // The keys an X11 front caught before the lock came up, and the window
    // it hands the keyboard to; the Wayland front keeps the keyboard itself.
    if (!sessionLock) {
        supervisorLink.SetKeyReplay(platform::x11::ReplayKeys);
        supervisorLink.SetKeyWindow(platform::x11::KeyWindow);
    } else {
        // Without its front the lock is no longer shown: a new front takes the session again.
        supervisorLink.SetFrontLost(platform::StartNewFront);
    }
    platform::install({.shell = shell.get(),
                       .dialogs = &dialogs,
                       .launcher = &launcher,
                       .session = &session,
                       .printers = &printers,
                       .http = &http,
                       .supervision = supervisor.fd >= 0 ? &supervisorLink : nullptr,
                       .keyboard = keyboard.get()});

    // The caret of every text box rests after a while without typing.
    const CaretRest caretRest;
    RegisterProgramPages();
    const int refused = CommandLineCode::Main(line, CommandLineCode::ProgramTargets());
    if (refused != exit_status::kOk)
        return refused;
    return QApplication::exec();
}
