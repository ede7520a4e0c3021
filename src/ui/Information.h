#pragma once
// The shared information window: one caption, one heading and one text,
// filled by whichever screen opens it. It beeps when it is created, not when
// an opener finds it already open, and the last texts set win.

#include "ui/Form.h"
#include "ui/WindowServices.h"

class Information : public Form {
    Q_OBJECT
public:
    Information();

    void SetHeading(const QString &heading) { lblHeading->setText(heading); }
    void SetText(const QString &text) { txtText->setPlainText(text); }

    void onCloseMouseMove();
    void onBackgroundMouseMove();
    void onCloseClick();

    QLabel *imgIcon;
    QLabel *lblHeading;
    QTextEdit *txtText;
    LinkLabel *lblClose;

protected:
    void onLoad() override;
};

// Makes the window visible (creating it), keeping whatever texts it holds.
Information &ShowInformation();
// Makes the window visible, then sets its caption, heading and text, in that order.
Information &ShowInformation(const QString &caption, const QString &heading, const QString &text);
