#include "logtools/frmPassword.h"

#include <QLabel>
#include <QVBoxLayout>

frmPassword::frmPassword()
{
    setWindowTitle(QStringLiteral("Password Settings - Gardlock 2001"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Password Settings - Gardlock 2001"), this));
}
