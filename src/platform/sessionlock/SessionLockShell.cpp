#include "platform/sessionlock/SessionLockShell.h"

#include "platform/sessionlock/SessionLockIntegration.h"
#include "platform/sessionlock/SessionLockScreen.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace platform::sessionlock {

namespace {

SessionLockScreen *LockScreen()
{
    SessionLockIntegration *integration = SessionLockIntegration::Instance();
    return integration ? integration->Screen() : nullptr;
}

int OwnerDepth(const QWidget *window)
{
    int depth = 0;
    for (const QWidget *o = window->parentWidget(); o; o = o->parentWidget() ? o->parentWidget()->window() : nullptr)
        ++depth;
    return depth;
}

bool OwnedBy(const QWidget *window, const QWidget *owner)
{
    for (const QWidget *o = window; o; o = o->parentWidget() ? o->parentWidget()->window() : nullptr)
        if (o == owner)
            return true;
    return false;
}

// The window and the shown windows it owns (the prompt over a background,
// its message boxes), owners below the windows they own.
std::vector<QWidget *> LayerOf(QWidget *window)
{
    std::vector<QWidget *> layer;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        const Qt::WindowType kind = w->windowType();
        if (w->isVisible() && w->windowHandle() && (kind == Qt::Window || kind == Qt::Dialog) && OwnedBy(w, window))
            layer.push_back(w);
    }
    std::stable_sort(layer.begin(), layer.end(),
                     [](const QWidget *a, const QWidget *b) { return OwnerDepth(a) < OwnerDepth(b); });
    return layer;
}

class SessionLockShell : public ShellLockdown {
public:
    // The session lock hides every panel and the desktop's own keys.
    void HideTaskBar() override {}
    void ShowTaskBar() override {}
    void HideStartButton() override {}
    void ShowStartButton() override {}
    void HideTrayArea() override {}
    void ShowTrayArea() override {}
    void HideTaskTabs() override {}
    void ShowTaskTabs() override {}
    void DisableSystemKeys() override {}
    void EnableSystemKeys() override {}
    void SetScreenSaverRunning(bool) override {}
    void SkipTaskBar(QWidget *) override {}

    // Asked on every layer tick: changes nothing (and so draws nothing) while
    // the windows are already stacked so.
    void SetWindowLayer(QWidget *window, bool) override
    {
        SessionLockScreen *screen = LockScreen();
        if (!window || !screen || !window->isVisible() || !window->windowHandle())
            return;
        const std::vector<QWidget *> layer = LayerOf(window);
        std::vector<QWindow *> handles;
        for (QWidget *w : layer)
            handles.push_back(w->windowHandle());
        if (!screen->OnTop(handles)) {
            for (QWindow *w : handles)
                w->raise();
        }
        QWindow *top = handles.empty() ? window->windowHandle() : handles.back();
        if (!top->isActive())
            top->requestActivate();
    }

    // The front holds the session lock; the program only draws it.
    QString CannotLockReason() override { return {}; }
    bool HoldsInput() override { return true; }

    QRect DesktopArea() override { return ScreenArea(ShellLockdown::DesktopArea()); }
    QRect PrimaryArea() override { return ScreenArea(ShellLockdown::PrimaryArea()); }
    unsigned long DesktopGeneration() override
    {
        const SessionLockScreen *screen = LockScreen();
        return screen ? screen->Generation() : 0;
    }

private:
    // From the buffer's size rather than from QScreen, which learns of a new
    // size only when Qt's queue of window-system events is next read.
    static QRect ScreenArea(QRect otherwise)
    {
        const SessionLockScreen *screen = LockScreen();
        return screen ? screen->LogicalGeometry() : otherwise;
    }
};

} // namespace

std::unique_ptr<ShellLockdown> CreateSessionLockShell()
{
    return std::make_unique<SessionLockShell>();
}

} // namespace platform::sessionlock
