#include "web/frmOnlineUpdate.h"

#include <QLabel>
#include <QVBoxLayout>

frmOnlineUpdate::frmOnlineUpdate()
{
    setWindowTitle(QStringLiteral("Corvane Technologies Online"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Corvane Technologies Online"), this));
}
