#pragma once
// The start page: links to every screen, the first-run guidance for a user
// without a password, and the guard against a second running copy.

#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QPushButton>

class NavigationBar;
enum class Page;
using NavPage = Page;

class frmMain : public Form {
    Q_OBJECT
public:
    frmMain();

    // Shows the Log Viewer under the one-copy guard: where an earlier copy
    // runs, that copy moves to its Log Viewer and this one ends; otherwise
    // this copy shows its own, the main screen loaded behind it.
    static void OpenLogViewer();

    // Events, in the order of the screen's table.
    void onMinimizeToTrayClick();
    void onAdvancedOptionsClick();
    void onPasswordSettingsClick();
    void onProtectionModesClick();
    void onOptionsClick();
    void onViewLogClick();
    void onStartClick();
    void onInformationLineClick();
    void onSupportLineClick();
    void onRequestLineClick();
    void onUpdateLineClick();
    void onAboutLineClick();
    void onNextClick();
    void onExitClick();
    void onLinkMouseMove(LinkLabel *link);
    void onInformationLineMouseMove(LinkLabel *line);
    void onBackgroundMouseMove();

    NavigationBar *navBar;
    // Left column, top to bottom.
    LinkLabel *lblAdvancedOptions;
    LinkLabel *lblPasswordSettings;
    LinkLabel *lblProtectionModes;
    LinkLabel *lblOptions;
    LinkLabel *lblViewLog;
    LinkLabel *lblStart;
    LinkLabel *imgAdvancedOptions;
    LinkLabel *imgPasswordSettings;
    LinkLabel *imgProtectionModes;
    LinkLabel *imgOptions;
    LinkLabel *imgViewLog;
    LinkLabel *imgStart;
    // Right column, top to bottom.
    LinkLabel *lblInformation;
    LinkLabel *lblSupport;
    LinkLabel *lblRequest;
    LinkLabel *lblUpdate;
    LinkLabel *lblAbout;
    LinkLabel *imgInformation;
    LinkLabel *imgSupport;
    LinkLabel *imgRequest;
    LinkLabel *imgUpdate;
    LinkLabel *imgAbout;
    QPushButton *cmdNext;
    QPushButton *cmdExit;

protected:
    void onLoad() override;
    // The two columns are read one after the other, not row by row.
    void orderTabs() override;
    void onUnload() override;

private:
    enum class FirstRunCaller { Start, Next };
    void FirstRunCheck(FirstRunCaller caller);
    // Loaded by OpenLogViewer: an earlier copy is asked for its Log Viewer.
    static inline bool s_loadedForLog = false;
    void HideAndShow(NavPage page);
    QList<LinkLabel *> LeftLinks() const;
    QList<LinkLabel *> InformationLines() const;
};
