#pragma once
// The program's screens that other screens open, named by what they are.
// A screen opens another through this registry without including it, so the
// subsystems never depend on each other sideways; the start-up code
// registers each page's screen class once (RegisterProgramPages).

#include "ui/Form.h"

#include <functional>

enum class Page {
    Home,             // frmMain
    PasswordSettings, // frmPassword
    ViewLog,          // frmLogViewer
    ProtectDesktop,   // frmProtection
    Options,          // Options
    About,            // frmAbout
    TrayMenu,         // frmTrayMenu
    OnlineUpdate,     // frmOnlineUpdate
    None,             // no page (the navigation bar's "Help")
};

namespace pages {

struct Entry {
    std::function<Form &()> load;     // the loaded screen, created if needed
    std::function<Form *()> ifLoaded; // the loaded screen, or null
};

void Register(Page page, Entry entry);

template <class T> void Register(Page page)
{
    Register(page, {[]() -> Form & { return Forms::Get<T>(); }, [] { return Forms::IfLoaded<T>(); }});
}

// The page's screen, loading it first if needed. A page nobody registered
// is a programming error and aborts.
Form &Load(Page page);
// The page's screen if it is loaded, else null.
Form *IfLoaded(Page page);
// Shows the page (loading it first if needed) in front, with the focus.
void Bring(Page page);

} // namespace pages
