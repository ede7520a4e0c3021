#pragma once
// What the display does that a lock paces its work by, so that a lock left
// alone for hours sleeps as well:
// - a change another program or the hardware made (a window mapped or
//   raised, a panel back, a monitor added), reported by the platform once it
//   has undone what it could, for the lock's own checks that used to poll;
// - whether the display sleeps: the screen saver blanks it, its monitors
//   are powered down, or a compositor shows none of the lock's frames.
//   Nothing shown needs redrawing then.
//
// The screen saver reports its state; the monitors' power (DPMS) has no
// change event, so it is asked at a tick that is due anyway, and a sleep it
// started ends at the next input or screen-saver event.

#include <QObject>

#include <functional>

namespace platform {

class DisplayActivity : public QObject {
    Q_OBJECT
public:
    // Whether the display sleeps; asks about the monitors' power first
    // (one round trip where the platform can tell).
    bool SleepsNow();
    bool Sleeping() const { return m_saverOn || m_monitorsOff || m_framesHeld; }

    // The platform's side.
    // Something changed: Changed() follows once the event loop turns.
    void ReportChange();
    void SetScreenSaverOn(bool on);
    // A compositor that holds the lock's last frame unshown, long past its
    // time: its output is off. It ends when the frame is shown.
    void SetFramesHeld(bool held);
    // Answers whether the monitors are powered down now.
    void SetMonitorsProbe(std::function<bool()> monitorsOff) { m_monitorsProbe = std::move(monitorsOff); }

Q_SIGNALS:
    void Changed();
    // The display woke: what is shown is to be brought up to date at once.
    void Woke();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetMonitorsOff(bool off);
    void Update(bool wasSleeping);

    std::function<bool()> m_monitorsProbe;
    bool m_saverOn = false;
    bool m_monitorsOff = false;
    bool m_framesHeld = false;
    bool m_changePosted = false;
    bool m_watchingInput = false;
};

DisplayActivity &displayActivity();

} // namespace platform
