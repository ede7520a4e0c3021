// Gardlock 2001: the process entry point. Sets up Qt and the platform
// services, then hands over to the start-up procedure.

#include "platform/ProcessFacts.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/desktop/QtHttp.h"
#include "platform/desktop/SupervisorLink.h"
#include "platform/print/CupsPrintSystem.h"
#include "platform/x11/X11RootCover.h"
#include "platform/x11/X11ShellLockdown.h"
#include "startup/CommandLineCode.h"
#include "startup/ProgramPages.h"
#include "startup/Supervisor.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The text after the program's path, as one string (the switch is its first
// two characters).
QString ArgumentText(int argc, char **argv)
{
    QStringList parts;
    for (int i = 1; i < argc; ++i)
        parts << QString::fromLocal8Bit(argv[i]);
    return parts.join(' ');
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything else: the parent stays behind as the supervisor that
    // brings a crashed lock back; the program runs in the child.
    {
        const std::unique_ptr<platform::LockCover> cover = platform::x11::CreateRootCover();
        if (const std::optional<int> status = supervision::Supervise(argv, *cover))
            return *status;
    }
    const platform::SupervisorEnvironment supervisor = platform::TakeSupervisorEnvironment();

    const QString argText = ArgumentText(argc, argv);
    const bool wantsLock = CommandLineCode::IsLock(CommandLineCode::ParseSwitch(argText).target);

    if (wantsLock) {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            std::fprintf(stderr, "gardlock: cannot lock: there is no X11 display (DISPLAY is not "
                                 "set); a lock here could not hold the keyboard.\n");
            return 3;
        }
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }

    // Qt sees only the program's path: options such as -nograb in the argument
    // text must not reach it, and the switch is ours.
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName("Gardlock 2001");
    QApplication::setOrganizationName("Corvane Technologies");
    QApplication::setApplicationVersion(app::VersionText());
    // Every window carries the padlock (_NET_WM_ICON), message boxes and locks included.
    QApplication::setWindowIcon(ProgramIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    const std::unique_ptr<platform::ShellLockdown> shell = platform::CreateX11ShellLockdown();
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    platform::install({shell.get(), &dialogs, &launcher, &session});
    const std::unique_ptr<platform::PrintSystem> printers = platform::CreateCupsPrintSystem();
    platform::installPrintSystem(printers.get());
    platform::QtHttpClient http;
    platform::installHttp(&http);
    platform::SupervisorLink supervisorLink(supervisor);
    if (supervisor.fd >= 0)
        platform::installLockSupervision(&supervisorLink);

    RegisterProgramPages();
    const int refused = CommandLineCode::Main(argText, CommandLineCode::ProgramTargets());
    if (refused != 0)
        return refused;
    return QApplication::exec();
}
