#pragma once
// The text caret stops blinking after a while without typing, as GTK's does,
// and blinks again at the next key: a lock left alone for hours would
// otherwise redraw its password box twice a second.

#include <QObject>
#include <QTimer>

class CaretRest : public QObject {
public:
    static constexpr int kRestAfterMs = 10000;

    // Watches the application's keys from now on.
    CaretRest();
    ~CaretRest() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Rest();
    void Wake();

    QTimer m_idle;
    int m_flashTime;
    bool m_resting = false;
};
