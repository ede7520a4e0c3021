#include "lock/InputHeldNotice.h"

#include "platform/Platform.h"
#include "platform/autostart/RegStuff.h"

#include <QStringList>

namespace {
bool g_restartEntryMissing = false;
}

void InputHeldNotice::SetRestartEntryMissing(bool missing)
{
    g_restartEntryMissing = missing;
}

InputHeldNotice::InputHeldNotice(QWidget *lockWindow) : QLabel(lockWindow)
{
    setObjectName("lblNotHeld");
    setStyleSheet(QStringLiteral("background: rgb(128, 0, 0); color: white; padding: 6px;"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    hide();
    m_recheck = new QTimer(this);
    m_recheck->setSingleShot(true);
    connect(m_recheck, &QTimer::timeout, this, &InputHeldNotice::Check);
}

void InputHeldNotice::Check()
{
    platform::ShellLockdown &shell = *platform::services().shell;
    const bool held = shell.HoldsInput();
    if (held || !m_sinceHeld.isValid())
        m_sinceHeld.start(); // the grace period runs from the first tick, and again from each loss
    const bool notHeld = !held && m_sinceHeld.elapsed() >= kGraceMs;
    if (held || !parentWidget()->isVisible())
        m_recheck->stop();
    else if (!m_recheck->isActive())
        m_recheck->start(notHeld ? kRecheckMs : int(kGraceMs - m_sinceHeld.elapsed()));
    // Keys that break grabs bound while the lock is up: it stays up, and says
    // that a press of them would loosen it.
    const bool breakable = shell.GrabBreakingKeysBound();
    QStringList lines;
    if (notHeld)
        lines << QStringLiteral("This desktop is NOT locked: another program is holding the keyboard or "
                                "mouse. Still trying to take them...");
    else if (breakable)
        lines << QStringLiteral("Warning: the keyboard map now binds keys that break any lock's hold on the "
                                "keyboard (XKB option grab:break_actions). This lock stays up and takes the "
                                "keyboard back, but remove that option.");
    if (g_restartEntryMissing)
        lines << QStringLiteral("This lock will not come back after a restart: its start-up entry could not "
                                "be written in %1.")
                     .arg(StartupFolder());
    if (lines.isEmpty()) {
        if (isVisible())
            hide();
        return;
    }
    const QString text = lines.join('\n');
    const bool changed = text != this->text();
    if (changed)
        setText(text);
    if (changed || !isVisible()) {
        const int width = parentWidget()->width();
        setGeometry(0, 0, width, qMax(48, heightForWidth(width)));
        show();
        raise();
    }
}
