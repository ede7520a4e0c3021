#include "screens/Options.h"

#include "lock/EditTextNT.h"
#include "ui/WindowServices.h"

#include <QLabel>
#include <QVBoxLayout>

Options::Options()
{
    setWindowTitle(QStringLiteral("Options - Gardlock 2001"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Options - Gardlock 2001"), this));
    lblEditText = new LinkLabel(QStringLiteral("edit text"), this);
    lblEditText->setObjectName("lblEditText");
    lblEditText->SetColour(Qt::blue);
    lblEditText->SetUnderline(true);
    lblEditText->setCursor(Qt::PointingHandCursor);
    layout->addWidget(lblEditText);
    connect(lblEditText, &LinkLabel::clicked, this, &Options::onEditTextClicked);
}

// The editor is modeless; it re-reads the files each time it loads.
void Options::onEditTextClicked()
{
    Forms::Get<EditTextNT>().show();
}
