#pragma once
// Mouse moves and modal windows in screen tests.

#include "ui/Form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testing_support {

// A mouse move with no button over a widget, delivered the way the window
// system delivers it (so propagation to the parent applies).
inline void MoveOver(QWidget *widget, QPoint at = QPoint(-1, -1))
{
    const QPoint pos = at == QPoint(-1, -1) ? widget->rect().center() : at;
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Runs inspect once the form T shows modally, then unloads it, so that the
// caller's modal show returns. Polls, because the form is created inside
// the caller's handler.
template <class T> void WhenModal(std::function<void(T &)> inspect)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        T *form = Forms::IfLoaded<T>();
        if (!form || !form->IsModalShowing())
            return;
        timer->stop();
        timer->deleteLater();
        inspect(*form);
        form->Unload();
    });
    timer->start();
}

} // namespace testing_support
