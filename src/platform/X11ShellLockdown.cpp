#include "platform/X11ShellLockdown.h"

#include <QGuiApplication>
#include <QWidget>

namespace platform {

namespace {

class X11ShellLockdown : public ShellLockdown {
public:
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
    void SetWindowLayer(QWidget *window, bool) override
    {
        window->raise();
        window->activateWindow();
    }
    QString CannotLockReason() override
    {
        if (QGuiApplication::platformName() != "xcb")
            return "no X11 display";
        return {};
    }
};

} // namespace

std::unique_ptr<ShellLockdown> CreateX11ShellLockdown() { return std::make_unique<X11ShellLockdown>(); }

} // namespace platform
