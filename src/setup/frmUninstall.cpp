#include "setup/frmUninstall.h"

#include <QLabel>
#include <QVBoxLayout>

frmUninstall::frmUninstall()
{
    setWindowTitle(QStringLiteral("Uninstall"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Uninstall"), this));
}
