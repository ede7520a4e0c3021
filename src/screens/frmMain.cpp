#include "screens/frmMain.h"

#include <QLabel>
#include <QVBoxLayout>

frmMain::frmMain()
{
    setWindowTitle(QStringLiteral("Gardlock 2001"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Gardlock 2001"), this));
}
