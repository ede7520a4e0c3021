#include "startup/ProgramPages.h"

#include "logtools/frmLogViewer.h"
#include "logtools/frmPassword.h"
#include "screens/Options.h"
#include "screens/frmAbout.h"
#include "screens/frmMain.h"
#include "setup/frmProtection.h"
#include "setup/frmTrayMenu.h"
#include "ui/Pages.h"
#include "web/frmOnlineUpdate.h"

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
