#include "intruderlog/frmPrinting.h"

#include "ui/ScreenKit.h"
#include "ui/WindowServices.h"

using namespace ui;

frmPrinting::frmPrinting() : Form(Qt::Window | Qt::CustomizeWindowHint)
{
    setWindowTitle(QString());
    setFixedSize(260, 110);

    lblStatus = Caption(QStringLiteral("Status:"), this, Verdana(8, true));
    lblStatus->setGeometry(16, 14, 200, 20);
    lblPrinting = Caption(QStringLiteral("printing..."), this, Verdana(8));
    lblPrinting->setGeometry(16, 38, 200, 20);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(150, 70, 94, 28);
    cmdCancel->setEnabled(false);

    Timer1 = NewTimer(this, kShowMs, false, [this] { onTimer(); });
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may end the 3 seconds 5% early
    Timer1->start();                        // running from load

    CentreOnScreen();
}

void frmPrinting::onTimer()
{
    Unload();
}
