#include "platform/sessionlock/InputRelay.h"

#include "platform/sessionlock/SessionLockScreen.h"

#include <QtGui/private/qxkbcommon_p.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <QGuiApplication>

#include <algorithm>

namespace platform::sessionlock {

namespace {

using protocol::display::Message;
namespace bits = protocol::display;

// Linux's input codes of the pointer's buttons (linux/input-event-codes.h).
constexpr std::uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112, kButtonSide = 0x113,
                        kButtonExtra = 0x114;
// One wheel notch is 120; far more in one event is no wheel.
constexpr std::int32_t kMostWheel = 120 * 100;

Qt::KeyboardModifiers QtModifiers(std::uint8_t modifiers)
{
    Qt::KeyboardModifiers qt;
    qt.setFlag(Qt::ShiftModifier, modifiers & bits::kShift);
    qt.setFlag(Qt::ControlModifier, modifiers & bits::kControl);
    qt.setFlag(Qt::AltModifier, modifiers & bits::kAlt);
    qt.setFlag(Qt::MetaModifier, modifiers & bits::kMeta);
    qt.setFlag(Qt::KeypadModifier, modifiers & bits::kKeypad);
    return qt;
}

Qt::MouseButton QtButton(std::uint32_t code)
{
    switch (code) {
    case kButtonLeft:
        return Qt::LeftButton;
    case kButtonRight:
        return Qt::RightButton;
    case kButtonMiddle:
        return Qt::MiddleButton;
    case kButtonSide:
        return Qt::BackButton;
    case kButtonExtra:
        return Qt::ForwardButton;
    default:
        return Qt::NoButton;
    }
}

} // namespace

void InputRelay::Key(const Message &key)
{
    QWindow *window = QGuiApplication::focusWindow();
    if (!window)
        window = m_screen.topWindow();
    m_modifiers = QtModifiers(key.modifiers);
    if (!window)
        return;
    const int qtKey = QXkbCommon::keysymToQtKey(key.keysym, m_modifiers);
    QWindowSystemInterface::handleExtendedKeyEvent(window, key.press ? QEvent::KeyPress : QEvent::KeyRelease, qtKey,
                                                   m_modifiers, key.code, key.keysym, key.modifiers,
                                                   QString::fromUtf8(key.text.data(), qsizetype(key.text.size())),
                                                   key.repeat);
}

QWindow *InputRelay::PointerWindow(QPointF &local) const
{
    QWindow *window = m_pressed ? m_pressed.data() : m_screen.topLevelAt(m_position);
    if (!window || !window->handle())
        return nullptr;
    // In buffer pixels, as the window's platform geometry is.
    local = QPointF(m_position - window->handle()->geometry().topLeft());
    return window;
}

void InputRelay::FollowPointer()
{
    if (m_pressed)
        return;
    QPointF local;
    QWindow *now = PointerWindow(local);
    if (now == m_under)
        return;
    if (m_under)
        QWindowSystemInterface::handleLeaveEvent(m_under);
    m_under = now;
    if (now)
        QWindowSystemInterface::handleEnterEvent(now, local, QPointF(m_position));
}

void InputRelay::Pointer(const Message &pointer)
{
    const QRect area = m_screen.geometry();
    m_position = QPoint(std::clamp(pointer.x, area.left(), area.right()),
                        std::clamp(pointer.y, area.top(), area.bottom()));
    FollowPointer();
    QPointF local;
    if (QWindow *window = PointerWindow(local))
        QWindowSystemInterface::handleMouseEvent(window, local, QPointF(m_position), m_buttons, Qt::NoButton,
                                                 QEvent::MouseMove, m_modifiers);
}

void InputRelay::Button(const Message &button)
{
    const Qt::MouseButton qt = QtButton(button.code);
    if (qt == Qt::NoButton || m_buttons.testFlag(qt) == button.press)
        return;
    QPointF local;
    if (button.press && m_buttons == Qt::NoButton) {
        FollowPointer();
        m_pressed = PointerWindow(local);
    }
    QWindow *window = PointerWindow(local);
    m_buttons.setFlag(qt, button.press);
    if (window)
        QWindowSystemInterface::handleMouseEvent(window, local, QPointF(m_position), m_buttons, qt,
                                                 button.press ? QEvent::MouseButtonPress
                                                              : QEvent::MouseButtonRelease,
                                                 m_modifiers);
    if (m_buttons == Qt::NoButton) {
        m_pressed = nullptr;
        FollowPointer();
    }
}

void InputRelay::Axis(const Message &axis)
{
    QPointF local;
    QWindow *window = PointerWindow(local);
    if (!window)
        return;
    const QPoint angle(-std::clamp(axis.dx, -kMostWheel, kMostWheel), -std::clamp(axis.dy, -kMostWheel, kMostWheel));
    if (angle.isNull())
        return;
    QWindowSystemInterface::handleWheelEvent(window, local, QPointF(m_position), QPoint(), angle, m_modifiers);
}

} // namespace platform::sessionlock
