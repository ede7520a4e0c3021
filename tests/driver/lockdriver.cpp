// Stands in for a lock screen in the end-to-end tests of the shell helpers:
// shows a full-screen window that bypasses the window manager (and, with
// --box, a small window it owns, as the NT-style lock does) and runs the
// hiding and restoring steps with the real X11 services, on commands read
// from stdin, one per line. Each command is answered "ok <command>".
//
//   show        show the windows; prints "window bg 0x..." (and "window box 0x...")
//   lock        hiding steps now and every 3 ms, window layer every 1 ms
//   hide-once   the hiding steps once, no timers
//   layer-once  the window layer once, no timers
//   restore     stop the timers, then the restoring steps
//   move X Y    the program moves its layered window
//   reason      prints "reason <text>" (CannotLockReason, may be empty)
//   quit

#include "platform/Platform.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "platform/x11/X11ShellLockdown.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

QWidget *MakeWindow(QWidget *owner, const QRect &geometry, const char *title, const char *colour)
{
    auto *w = new QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    w->setWindowTitle(QString::fromLatin1(title));
    w->setStyleSheet(QStringLiteral("background: %1").arg(QLatin1String(colour)));
    w->setAttribute(Qt::WA_StyledBackground);
    w->setGeometry(geometry);
    return w;
}

void Say(const std::string &line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    bool withBox = false;
    for (int i = 1; i < argc; ++i)
        withBox = withBox || std::string(argv[i]) == "--box";
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);

    const std::unique_ptr<platform::ShellLockdown> shell = platform::CreateX11ShellLockdown();
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    platform::install(
        {.shell = shell.get(), .dialogs = &dialogs, .launcher = &launcher, .session = &session});

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget *background = MakeWindow(nullptr, screen, "Driver Background", "black");
    QWidget *box = withBox ? MakeWindow(background, QRect(screen.center() - QPoint(156, 58), QSize(312, 116)),
                                        "Driver Box", "grey")
                           : nullptr;
    QWidget *layered = box ? box : background;

    QTimer shellTimer;
    shellTimer.setTimerType(Qt::PreciseTimer);
    shellTimer.setInterval(3);
    QObject::connect(&shellTimer, &QTimer::timeout, [] { RunHidingSteps(); });
    QTimer layerTimer;
    layerTimer.setTimerType(Qt::PreciseTimer);
    layerTimer.setInterval(1);
    QObject::connect(&layerTimer, &QTimer::timeout, [layered] { SetWindowLayer(layered, true); });

    std::string pending;
    auto run = [&](const std::string &line) {
        if (line == "show") {
            background->show();
            if (box)
                box->show();
            char text[64];
            std::snprintf(text, sizeof text, "window bg 0x%llx",
                          static_cast<unsigned long long>(background->winId()));
            Say(text);
            if (box) {
                std::snprintf(text, sizeof text, "window box 0x%llx",
                              static_cast<unsigned long long>(box->winId()));
                Say(text);
            }
        } else if (line == "lock") {
            RunHidingSteps();
            SetWindowLayer(layered, true);
            shellTimer.start();
            layerTimer.start();
        } else if (line == "hide-once") {
            RunHidingSteps();
        } else if (line == "layer-once") {
            SetWindowLayer(layered, true);
        } else if (line == "restore") {
            shellTimer.stop();
            layerTimer.stop();
            RunRestoringSteps();
        } else if (line.rfind("move ", 0) == 0) {
            int x = 0, y = 0;
            std::sscanf(line.c_str() + 5, "%d %d", &x, &y);
            layered->move(x, y);
        } else if (line == "reason") {
            Say("reason " + platform::services().shell->CannotLockReason().toStdString());
        } else if (line == "quit") {
            Say("ok quit");
            QCoreApplication::quit();
            return;
        } else {
            Say("unknown " + line);
            return;
        }
        Say("ok " + line);
    };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit(); // the test went away
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty())
                run(line);
        }
    });
    Say("ready");
    return QApplication::exec();
}
