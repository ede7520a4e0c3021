#include "ui/CaretRest.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CaretRest::CaretRest() : m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(kRestAfterMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { Rest(); });
    m_idle.start();
    QCoreApplication::instance()->installEventFilter(this);
}

CaretRest::~CaretRest()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    if (m_resting)
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool CaretRest::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
        Wake();
    return false;
}

void CaretRest::Rest()
{
    // A flash time of 0 keeps the caret shown, without a blink timer.
    m_resting = true;
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::Wake()
{
    // Every key is seen by several receivers on its way: restart the wait only.
    m_idle.start();
    if (!m_resting)
        return;
    m_resting = false;
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}
