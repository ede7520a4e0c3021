#include "platform/Platform.h"
#include "platform/KeyboardState.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cstdlib>

namespace platform {

namespace {
Services g_services;
}

// Without a display server to ask, Qt's idea of the screens is the best there is.
QRect ShellLockdown::DesktopArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}

void ShellLockdown::HopLockBox(QWidget *window, QPoint topLeft)
{
    window->move(topLeft);
}

QRect ShellLockdown::PrimaryArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

Services &services()
{
    if (!g_services.shell || !g_services.dialogs || !g_services.launcher || !g_services.session) {
        // A screen asked for a service before main() or the test fixture
        // installed them: a programming error, never a user's.
        std::abort();
    }
    return g_services;
}

const Services &installed()
{
    return g_services;
}

KeyboardState *keyboardState()
{
    return g_services.keyboard;
}

void install(const Services &s)
{
    g_services = s;
}

} // namespace platform
