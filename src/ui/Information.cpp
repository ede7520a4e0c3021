#include "ui/Information.h"

#include "ui/ScreenKit.h"

#include <QApplication>
#include <QStyle>

using namespace ui;

Information::Information()
    // Kept above the screens: its opener often shows another page right before it.
    : Form(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Important Information Icon - Overview"));
    setFixedSize(360, 210);

    imgIcon = new QLabel(this);
    imgIcon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    imgIcon->setGeometry(10, 10, 34, 34);

    lblHeading = Caption(QStringLiteral("Information Icon"), this, Verdana(10, true));
    lblHeading->setGeometry(52, 16, 270, 22);

    txtText = new QTextEdit(this);
    txtText->setReadOnly(true);
    txtText->setFont(Verdana(8));
    txtText->setPlainText(
        QStringLiteral("When you are using this program, and the \"information icon\" appears, you can click "
                       "it and a window will open with important information regarding the feature you are "
                       "using."));
    txtText->setGeometry(10, 50, 340, 150);

    lblClose = Link(QStringLiteral("X"), this);
    lblClose->setFont(Verdana(10, true));
    lblClose->setAlignment(Qt::AlignCenter);
    lblClose->setGeometry(332, 4, 22, 22);
    lblClose->setToolTip(QStringLiteral("Close"));
    lblClose->setAccessibleName(QStringLiteral("Close"));

    connect(lblClose, &LinkLabel::mouseMoved, this, &Information::onCloseMouseMove);
    connect(lblClose, &LinkLabel::clicked, this, &Information::onCloseClick);
    connect(this, &Form::backgroundMouseMoved, this, &Information::onBackgroundMouseMove);
    KeepMouseMovesLocal(this);
    platform::services().shell->SkipTaskBar(this);
}

void Information::onLoad()
{
    CentreOnScreen();
    Beep();
}

void Information::onCloseMouseMove()
{
    lblClose->SetColour(kDarkRed);
}

void Information::onBackgroundMouseMove()
{
    lblClose->SetColour(kBlack);
}

void Information::onCloseClick()
{
    Unload();
}

Information &ShowInformation()
{
    Information &window = Forms::Get<Information>();
    window.show();
    window.raise();
    return window;
}

Information &ShowInformation(const QString &caption, const QString &heading, const QString &text)
{
    Information &window = ShowInformation();
    window.setWindowTitle(caption);
    window.SetHeading(heading);
    window.SetText(text);
    return window;
}
