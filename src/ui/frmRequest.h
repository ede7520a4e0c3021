#pragma once
// The feature-request window: whoever opens it sets its heading and text,
// then "&Send Request" opens a new mail to the maker.

#include "ui/Form.h"

#include <QLabel>
#include <QPushButton>

class frmRequest : public Form {
    Q_OBJECT
public:
    frmRequest();

    void SetHeading(const QString &heading) { lblHeading->setText(heading); }
    void SetText(const QString &text) { lblText->setText(text); }

    void onSendRequestClick();
    void onCancelClick();

    QLabel *lblHeading;
    QLabel *lblText;
    QPushButton *cmdSendRequest;
    QPushButton *cmdCancel;
};
