#pragma once
// A shell for benchmarks of screens that never lock: every helper does
// nothing and the display counts as lockable.

#include "platform/Platform.h"

class QuietShell : public platform::ShellLockdown {
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
    void SetWindowLayer(QWidget *, bool) override {}
    void SkipTaskBar(QWidget *) override {}
    QString CannotLockReason() override { return {}; }
    bool HoldsInput() override { return true; }
};
