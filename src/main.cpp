// Gardlock 2001: the program (gardlock-ui), started by the front (gardlock)
// that supervises it. Sets up Qt and the platform services, then hands over
// to the start-up procedure.

#include "core/CommandLine.h"
#include "core/ExitStatus.h"
#include "platform/ProcessFacts.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/modules/LazyServices.h"
#include "platform/supervision/SupervisorLink.h"
#include "platform/x11/X11KeyReplay.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11ShellLockdown.h"
#include "startup/CommandLineCode.h"
#include "startup/ProgramPages.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char **argv)
{
    const platform::SupervisorEnvironment supervisor = platform::TakeSupervisorEnvironment();

    const CommandLine line = ReadCommandLine(argc, argv);

    if (switches::IsLock(line.row)) {
        const DisplayNames names{qEnvironmentVariable("DISPLAY").toStdString(),
                                 qEnvironmentVariable("WAYLAND_DISPLAY").toStdString()};
        // Whether the display answers is Qt's to find; here only that there is one.
        if (const std::string refusal = NoDisplayLine(line.row, names, true); !refusal.empty()) {
            PrintRefusal(refusal);
            return exit_status::kCannotRunHere;
        }
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
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
    QApplication::setApplicationName("Gardlock 2001");
    QApplication::setOrganizationName("Corvane Technologies");
    QApplication::setApplicationVersion(app::VersionText());
    // Every window carries the padlock (_NET_WM_ICON), message boxes and locks included.
    QApplication::setWindowIcon(ProgramIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    const std::unique_ptr<platform::ShellLockdown> shell = platform::CreateX11ShellLockdown();
    const std::unique_ptr<platform::KeyboardState> keyboard = platform::CreateX11KeyboardState();
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    // Printing and HTTP load their modules from the program's folder when first used.
    platform::LazyPrintSystem printers(QApplication::applicationDirPath());
    platform::LazyHttpClient http(QApplication::applicationDirPath());
    platform::SupervisorLink supervisorLink(supervisor);
    supervisorLink.SetKeyReplay(platform::x11::ReplayKeys);
    supervisorLink.SetKeyWindow(platform::x11::KeyWindow);
    platform::install({.shell = shell.get(),
                       .dialogs = &dialogs,
                       .launcher = &launcher,
                       .session = &session,
                       .printers = &printers,
                       .http = &http,
                       .supervision = supervisor.fd >= 0 ? &supervisorLink : nullptr,
                       .keyboard = keyboard.get()});

    RegisterProgramPages();
    const int refused = CommandLineCode::Main(line.row, CommandLineCode::ProgramTargets());
    if (refused != exit_status::kOk)
        return refused;
    return QApplication::exec();
}
