#include "lock/LockStarter.h"
#include "password/frmPassword.h"
#include "mainscreen/frmAbout.h"
#include "mainscreen/frmMain.h"
#include "uninstall/frmUninstall.h"
#include "startup/CommandLineCode.h"
#include "ui/modTrayIcon.h"

namespace CommandLineCode {

namespace {

class ScreensOfTheProgram : public Targets {
public:
    void ShowLock(LockKind kind) override { ::ShowLock(kind); }
    void ShowAbout() override { Forms::Get<frmAbout>().show(); }
    void ShowPasswordSettings() override { Forms::Get<frmPassword>().show(); }
    void ShowTrayIcon() override
    {
        AddTrayIcon();
        if (frmMain *main = Forms::IfLoaded<frmMain>())
            main->hide();
    }
    void ShowUninstall() override { Forms::Get<frmUninstall>().show(); }
    void ShowMainScreen() override { Forms::Get<frmMain>().show(); }
    void ShowLogViewer() override { frmMain::OpenLogViewer(); }
};

} // namespace

Targets &ProgramTargets()
{
    static ScreensOfTheProgram targets;
    return targets;
}

} // namespace CommandLineCode
