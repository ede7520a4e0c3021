#include "platform/DisplayActivity.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform {

DisplayActivity &displayActivity()
{
    static auto *activity = new DisplayActivity;
    return *activity;
}

bool DisplayActivity::SleepsNow()
{
    if (m_monitorsProbe && !m_saverOn)
        SetMonitorsOff(m_monitorsProbe());
    return Sleeping();
}

void DisplayActivity::ReportChange()
{
    if (m_changePosted)
        return;
    m_changePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePosted = false;
            Q_EMIT Changed();
        },
        Qt::QueuedConnection);
}

void DisplayActivity::SetScreenSaverOn(bool on)
{
    const bool was = Sleeping();
    m_saverOn = on;
    // Either way the saver's event ends a sleep the monitors' power began:
    // the server blanks or wakes the monitors with the saver.
    m_monitorsOff = false;
    Update(was);
}

void DisplayActivity::SetFramesHeld(bool held)
{
    const bool was = Sleeping();
    m_framesHeld = held;
    Update(was);
}

void DisplayActivity::SetMonitorsOff(bool off)
{
    const bool was = Sleeping();
    m_monitorsOff = off;
    Update(was);
}

void DisplayActivity::Update(bool wasSleeping)
{
    // Powered-down monitors say nothing when they wake: the first input does.
    const bool watch = m_monitorsOff;
    if (watch != m_watchingInput && QCoreApplication::instance()) {
        m_watchingInput = watch;
        if (watch)
            QCoreApplication::instance()->installEventFilter(this);
        else
            QCoreApplication::instance()->removeEventFilter(this);
    }
    if (wasSleeping && !Sleeping())
        Q_EMIT Woke();
}

bool DisplayActivity::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        SetMonitorsOff(false);
        break;
    default:
        break;
    }
    return false;
}

} // namespace platform
