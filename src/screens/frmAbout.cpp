#include "screens/frmAbout.h"

#include <QLabel>
#include <QVBoxLayout>

frmAbout::frmAbout()
{
    setWindowTitle(QStringLiteral("About..."));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("About..."), this));
}
