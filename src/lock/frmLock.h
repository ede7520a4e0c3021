#pragma once
// The NT-style lock's "System Locked" box. It asks for nothing: holding
// Ctrl, Shift and Alt with any key makes it give way to the prompt.

#include "lock/LockWindow.h"
#include "ui/Form.h"

#include <functional>

class QLabel;
class QTimer;

class frmLock : public Form {
    Q_OBJECT
public:
    frmLock();

    // The hop's random source, uniform in [0, 1); tests replace it.
    static void SetRandomSource(std::function<double()> source);

protected:
    void onLoad() override;
    void onUnload() override;
    // A close request never unlocks: only the password does.
    bool acceptsCloseRequest() const override { return false; }
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onKeyDown(int shift);
    void onHopTimer();
    void onLayerTimer();
    void FollowDesktop();

    CaptionBar *lblCaption;
    QLabel *imgIcon;
    QLabel *lblLine1;
    QLabel *lblLine2;
    QLabel *lblLine3;
    QTimer *tmrHop;
    QTimer *tmrLayer;
    DesktopFollower m_desktop;
};
