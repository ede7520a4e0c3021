#include "logtools/frmLogViewer.h"

#include "platform/funct.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

using namespace ui;

frmLogViewer::frmLogViewer() : Form(PageWindow())
{
    navBar = BuildNavigationPage(this, QStringLiteral("Log Viewer - Gardlock 2001"), QSize(560, 380),
                                 NavPage::ViewLog, QStringLiteral("log viewer"));

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
