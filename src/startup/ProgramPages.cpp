#include "startup/ProgramPages.h"

#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "options/Options.h"
#include "mainscreen/frmAbout.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "tray/frmTrayMenu.h"
#include "ui/Pages.h"
#include "updates/frmOnlineUpdate.h"

void RegisterProgramPages()
{
    pages::Register<frmMain>(Page::Home);
    pages::Register<frmPassword>(Page::PasswordSettings);
    pages::Register<frmLogViewer>(Page::ViewLog);
    pages::Register<frmProtection>(Page::ProtectDesktop);
    pages::Register<Options>(Page::Options);
    pages::Register<frmAbout>(Page::About);
    pages::Register<frmTrayMenu>(Page::TrayMenu);
    pages::Register<frmOnlineUpdate>(Page::OnlineUpdate);
}
