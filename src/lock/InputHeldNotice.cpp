#include "lock/InputHeldNotice.h"

#include "platform/Platform.h"

InputHeldNotice::InputHeldNotice(QWidget *lockWindow) : QLabel(lockWindow)
{
    setObjectName("lblNotHeld");
    setText(QStringLiteral("This desktop is NOT locked: another program is holding the keyboard or "
                           "mouse. Still trying to take them..."));
    setStyleSheet(QStringLiteral("background: rgb(128, 0, 0); color: white; padding: 6px;"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    hide();
}

void InputHeldNotice::Check()
{
    const bool held = platform::services().shell->HoldsInput();
    if (held || !m_sinceHeld.isValid()) {
        // The grace period runs from the first tick, and again from each loss.
        m_sinceHeld.start();
        if (held && isVisible())
            hide();
        return;
    }
    if (!isVisible() && m_sinceHeld.elapsed() >= kGraceMs) {
        setGeometry(0, 0, parentWidget()->width(), 48);
        show();
        raise();
    }
}
