#include "password/frmPasswordCancelled.h"

#include "password/frmPassword.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

using namespace ui;

frmPasswordCancelled::frmPasswordCancelled() : Form(PageWindow())
{
    navBar = BuildNavigationPage(this, QStringLiteral("Password Settings - Gardlock 2001"), QSize(560, 380),
                                 NavPage::PasswordSettings, QStringLiteral("password settings"));
    Caption(QStringLiteral("cancelled"), this, Verdana(30, true), kLightGrey)->setGeometry(40, 110, 400, 60);
    Caption(QStringLiteral("cancelled"), this, Verdana(18, true), kLighterGrey)
        ->setGeometry(120, 180, 300, 40);
    Caption(QStringLiteral("cancelled"), this, Verdana(11, true), kLightGrey)->setGeometry(200, 230, 200, 24);

    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("Click here to exit."));
    cmdExit->setGeometry(450, 330, 90, 28);
    connect(cmdExit, &QPushButton::clicked, this, &frmPasswordCancelled::onExitClick);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmPasswordCancelled::onExitClick()
{
    DeleteTrayIcon();
    EndProgram();
}

void frmPasswordCancelled::onUnload()
{
    RunPageRestoringSteps();
}
