#pragma once
// The "printing..." window: no caption, a disabled Cancel, and a timer that
// unloads it 3 seconds after it was loaded; the print waits for it.

#include "ui/Form.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

class frmPrinting : public Form {
    Q_OBJECT
public:
    frmPrinting();

    static constexpr int kShowMs = 3000;

    void onTimer();

    QLabel *lblStatus;
    QLabel *lblPrinting;
    QPushButton *cmdCancel; // disabled throughout: a started print cannot be stopped
    QTimer *Timer1;

protected:
    // Nothing but the timer ends it.
    bool acceptsCloseRequest() const override { return false; }
};
