#include "logtools/frmLogViewer.h"

#include "platform/funct.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

using namespace ui;

frmLogViewer::frmLogViewer() : Form(PageWindow())
{
    setWindowTitle(QStringLiteral("Log Viewer - Gardlock 2001"));
    setFixedSize(560, 380);

    navBar = new NavigationBar(this, NavPage::ViewLog, this);
    navBar->setGeometry(0, 0, width(), NavigationBar::kHeight);
    Caption(QStringLiteral("log viewer"), this, Verdana(26, true), kLighterGrey)
        ->setGeometry(16, 30, 530, 50);

    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(QStringLiteral("Click here to exit the program"));
    cmdExit->setGeometry(450, 330, 90, 28);
    connect(cmdExit, &QPushButton::clicked, this, &frmLogViewer::onExitClick);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmLogViewer::onExitClick()
{
    DeleteTrayIcon();
    EndProgram();
}
