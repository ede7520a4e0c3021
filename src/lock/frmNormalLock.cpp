#include "lock/frmNormalLock.h"

#include <QLabel>
#include <QVBoxLayout>

frmNormalLock::frmNormalLock()
{
    setWindowTitle(QStringLiteral("Desktop status: Locked"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Desktop status: Locked"), this));
}
