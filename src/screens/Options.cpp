#include "screens/Options.h"

#include <QLabel>
#include <QVBoxLayout>

Options::Options()
{
    setWindowTitle(QStringLiteral("Options - Gardlock 2001"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Options - Gardlock 2001"), this));
}
