#include "rules/ShellSequences.h"

#include "platform/funct.h"

void RunHidingSteps()
{
    DisableSystemKeys();
    SetScreenSaverRunning(true);
    HideTaskBar();
    HideTrayArea();
    HideTaskTabs();
    HideStartButton();
}

void RunPageRestoringSteps()
{
    EnableSystemKeys();
    ShowTrayArea();
    ShowTaskBar();
}

void RunRestoringSteps()
{
    EnableSystemKeys();
    ShowTaskBar();
    ShowTrayArea();
    ShowTaskTabs();
    ShowStartButton();
}
