#include "ui/LayoutSwitchChord.h"

#include "platform/KeyboardState.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

bool IsShift(int key)
{
    return key == Qt::Key_Shift;
}

// Shift then Alt gives Meta on the usual keymaps.
bool IsAlt(int key)
{
    return key == Qt::Key_Alt || key == Qt::Key_Meta;
}

} // namespace

void AltShiftChord::Pressed(int key, Qt::KeyboardModifiers modifiers)
{
    // Nothing held: whatever came before is over, even a release never seen.
    if (!(modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)))
        *this = AltShiftChord();
    ++m_down;
    if ((!IsShift(key) && !IsAlt(key)) || (modifiers & Qt::ControlModifier)) {
        m_spoiled = true;
        return;
    }
    m_shift = m_shift || IsShift(key);
    m_alt = m_alt || IsAlt(key);
}

bool AltShiftChord::Released(int key)
{
    const bool completes = m_alt && m_shift && !m_spoiled && (IsShift(key) || IsAlt(key));
    // Once a chord: the second key's release does not switch again.
    if (completes)
        m_spoiled = true;
    if (--m_down <= 0)
        *this = AltShiftChord();
    return completes;
}

LayoutSwitchChord::LayoutSwitchChord()
{
    QCoreApplication::instance()->installEventFilter(this);
}

LayoutSwitchChord::~LayoutSwitchChord()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool LayoutSwitchChord::eventFilter(QObject *watched, QEvent *event)
{
    // A key event reaches its window first, then its widgets: counted once.
    if ((event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) || !watched->isWindowType())
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->isAutoRepeat())
        return false;
    if (event->type() == QEvent::KeyPress) {
        m_chord.Pressed(key->key(), key->modifiers());
        return false;
    }
    if (!m_chord.Released(key->key()))
        return false;
    platform::KeyboardState *keyboard = platform::keyboardState();
    if (!keyboard)
        return false;
    if (const std::optional<platform::KeyboardLayout> layout = keyboard->Current(); layout && !layout->altShiftSwitches)
        keyboard->SelectNextLayout();
    return false;
}
