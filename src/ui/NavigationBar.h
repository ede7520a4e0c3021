#pragma once
// The strip of links along the top of the navigation pages: "Home",
// "Password Settings |", "View log  |", "Protect Desktop |" and "Help".
// A target link hides the current page and shows the target; the link that
// names the current page does nothing; "Help" opens "index.htm".

#include "ui/Pages.h"
#include "ui/ScreenKit.h"

#include <QWidget>

#include <functional>

class Form;

// The navigation pages are the registry's pages Home to Options.
using NavPage = Page;

// Makes a navigation page visible, creating it first if needed.
void ShowNavPage(NavPage page);
// Hides whichever navigation page is shown and shows this one.
void MoveToNavPage(NavPage page);

class NavigationBar;

// Lays out the top of a navigation page: its caption, its fixed size, the
// navigation bar along the top and the page's big grey heading under it.
NavigationBar *BuildNavigationPage(Form *page, const QString &caption, QSize size, NavPage current,
                                   const QString &heading);

class NavigationBar : public QWidget {
    Q_OBJECT
public:
    // page: the window the bar stands on; current: the link that names it.
    // The main screen's bar reads "Home |" and "Protection Modes |" and carries
    // "Minimize to tray" at its right.
    NavigationBar(Form *page, NavPage current, QWidget *parent);

    // How the page leaves for another: it hides itself unless told otherwise
    // (the Options screen unloads itself instead).
    void SetLeaveAction(std::function<void()> leave) { m_leave = std::move(leave); }

    // Clicking a link, as the user does.
    void Navigate(NavPage target);
    void OpenHelp();

    LinkLabel *lblHome;
    LinkLabel *lblPasswordSettings;
    LinkLabel *lblViewLog;
    LinkLabel *lblProtect;
    LinkLabel *lblHelp;
    LinkLabel *lblMinimize = nullptr; // main screen only

    static constexpr int kHeight = 24;

private:
    LinkLabel *AddLink(const QString &text, const QColor &colour, NavPage target);

    Form *m_page;
    NavPage m_current;
    std::function<void()> m_leave;
};
