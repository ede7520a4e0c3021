// Gardlock 2001: the program (gardlock-ui), started by the front (gardlock)
// that supervises it. Sets up Qt and the platform services, then hands over
// to the start-up procedure.

#include "platform/ProcessFacts.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/desktop/LazyServices.h"
#include "platform/desktop/SupervisorLink.h"
#include "platform/x11/X11KeyReplay.h"
#include "platform/x11/X11ShellLockdown.h"
#include "startup/CommandLineCode.h"
#include "startup/ProgramPages.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

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
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    platform::install({shell.get(), &dialogs, &launcher, &session});
    // Printing and HTTP load their modules from the program's folder when first used.
    platform::LazyPrintSystem printers(QApplication::applicationDirPath());
    platform::installPrintSystem(&printers);
    platform::LazyHttpClient http(QApplication::applicationDirPath());
    platform::installHttp(&http);
    platform::SupervisorLink supervisorLink(supervisor);
    supervisorLink.SetKeyReplay(platform::x11::ReplayKeys);
    if (supervisor.fd >= 0)
        platform::installLockSupervision(&supervisorLink);

    RegisterProgramPages();
    const int refused = CommandLineCode::Main(argText, CommandLineCode::ProgramTargets());
    if (refused != 0)
        return refused;
    return QApplication::exec();
}
