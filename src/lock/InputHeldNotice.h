#pragma once
// A line across the top of a lock's screen that says plainly when the lock
// does not hold the keyboard and pointer (another program keeps them), so
// that nobody walks away from a desktop that only looks locked. The lock
// keeps trying meanwhile; the line goes once the grab is held. It also says
// when the lock's restart entry could not be written, so that whoever locked
// knows the lock will not come back after a restart.

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

class InputHeldNotice : public QLabel {
    Q_OBJECT
public:
    // How long a lock may go without the grab before it says so.
    static constexpr int kGraceMs = 1000;
    // How often it looks again while the grab is not held.
    static constexpr int kRecheckMs = 100;

    explicit InputHeldNotice(QWidget *lockWindow);
    // Call on every shell tick while the lock is up. While the grab is not
    // held it checks again by itself (the server says nothing when another
    // program lets the keyboard go).
    void Check();
    // Set when the lock being started has no restart entry; every lock's
    // notice says so from its next tick.
    static void SetRestartEntryMissing(bool missing);

private:
    QElapsedTimer m_sinceHeld;
    QTimer *m_recheck;
};
