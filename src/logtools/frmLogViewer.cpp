#include "logtools/frmLogViewer.h"

#include <QLabel>
#include <QVBoxLayout>

frmLogViewer::frmLogViewer()
{
    setWindowTitle(QStringLiteral("View Log - Gardlock 2001"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("View Log - Gardlock 2001"), this));
}
