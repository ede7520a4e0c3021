#include "platform/funct.h"

#include "platform/Platform.h"

using platform::services;

void HideTaskBar()
{
    services().shell->HideTaskBar();
}
void ShowTaskBar()
{
    services().shell->ShowTaskBar();
}
void HideStartButton()
{
    services().shell->HideStartButton();
}
void ShowStartButton()
{
    services().shell->ShowStartButton();
}
void HideTrayArea()
{
    services().shell->HideTrayArea();
}
void ShowTrayArea()
{
    services().shell->ShowTrayArea();
}
void HideTaskTabs()
{
    services().shell->HideTaskTabs();
}
void ShowTaskTabs()
{
    services().shell->ShowTaskTabs();
}
void DisableSystemKeys()
{
    services().shell->DisableSystemKeys();
}
void EnableSystemKeys()
{
    services().shell->EnableSystemKeys();
}
void SetScreenSaverRunning(bool running)
{
    services().shell->SetScreenSaverRunning(running);
}
void SetWindowLayer(QWidget *window, bool flag)
{
    services().shell->SetWindowLayer(window, flag);
}
void HopLockBox(QWidget *window, QPoint topLeft)
{
    services().shell->HopLockBox(window, topLeft);
}
QRect DesktopArea()
{
    return services().shell->DesktopArea();
}
QRect PrimaryArea()
{
    return services().shell->PrimaryArea();
}
unsigned long DesktopGeneration()
{
    return services().shell->DesktopGeneration();
}

long OpenDocument(const QString &target)
{
    return services().launcher->OpenDocument(target);
}
void ForceLogOff()
{
    services().session->ForceLogOff();
}
void EndProgram(int exitCode)
{
    services().session->EndProgram(exitCode);
}
