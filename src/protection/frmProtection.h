#pragma once
// Protection Modes: starts either lock now, arms or disarms the two start-up
// locks, and explains each button when the mouse passes over it.

#include "ui/Form.h"
#include "ui/ScreenKit.h"
#include "ui/WindowServices.h"

#include <QGroupBox>

class NavigationBar;

class frmProtection : public Form {
    Q_OBJECT
public:
    frmProtection();

    void onNormalClick();
    void onNtStyleClick();
    void onRequestClick();
    void onExitClick();
    void onChoiceNormalClick();
    void onChoiceNtStyleClick();
    void onEnableStartupLockClick();
    void onDisableStartupLockClick();
    void onEnableNtStartupLockClick();
    void onDisableNtStartupLockClick();
    void onInformationClick();
    // Hover help.
    void onMainButtonMouseMove(HoverButton *button);
    void onStartupButtonMouseMove(HoverButton *button);
    void onChoiceLinkMouseMove(LinkLabel *link);
    void onBackgroundMouseMove();

    NavigationBar *navBar;
    HoverButton *cmdNormal;
    HoverButton *cmdNtStyle;
    HoverButton *cmdStartupLock;
    HoverButton *cmdRequest;
    QPushButton *cmdExit;
    LinkLabel *lblDescription;
    QLabel *lblArrow;
    QLabel *lblChoiceHeading;
    LinkLabel *lblChoiceNormal;
    LinkLabel *lblChoiceNtStyle;
    QGroupBox *fraNormalStartup;
    QGroupBox *fraNtStartup;
    HoverButton *cmdEnableStartupLock;
    HoverButton *cmdDisableStartupLock;
    HoverButton *cmdEnableNtStartupLock;
    HoverButton *cmdDisableNtStartupLock;
    QLabel *lblStartupDescription;
    LinkLabel *imgInformation;
    QLabel *lblInstructions;

    // The arrow's left edge and, per main button, its top (twips).
    static constexpr int kArrowLeftTwips = 1980;
    int ArrowTopTwips(const HoverButton *button) const;
};
