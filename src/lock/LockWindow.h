#pragma once
// What the lock windows share. They bypass the window manager
// (override-redirect), so that nothing it manages can be stacked above them;
// in exchange they get no frame from it, and the boxes that must show a
// caption ("System Locked", "Start Logon") draw their own.

#include "platform/desktop/ClassicFrame.h"
#include "ui/Twips.h"

#include <QWidget>

#include <optional>

inline constexpr Qt::WindowFlags kLockWindowFlags =
    Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint;

// The drawn frame of a fixed-single-border box: edge width and caption height.
inline constexpr int kEdgeWidth = platform::kFrameEdgeWidth;
inline constexpr int kCaptionHeight = 18;

// A title bar in the active-caption colours, with the program's icon.
class CaptionBar : public QWidget {
    Q_OBJECT
public:
    explicit CaptionBar(QWidget *parent);
    void SetText(const QString &text);
    QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};

// Lays out a box window of the given client size with its drawn edge and
// caption bar; returns the client area's rectangle inside the window.
QRect LayOutBox(QWidget *window, CaptionBar *caption, QSize client);

// Paints the raised window edge around the whole window.
void PaintWindowEdge(QWidget *window);

// Tells a lock window when to place itself again: on the first call, then
// whenever the root window or a monitor changed since the last call. Cheap
// enough for every timer tick.
class DesktopFollower {
public:
    bool Changed();

private:
    std::optional<unsigned long> m_seen;
};

// The primary monitor in the coordinates of a window that covers the desktop.
QRect PrimaryInsideDesktop();

// Centres a box on the primary monitor: the lock's "centre on the screen".
void CentreOnPrimary(QWidget *window);
