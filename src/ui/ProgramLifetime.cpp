#include "ui/ProgramLifetime.h"

#include "platform/funct.h"
#include "ui/modTrayIcon.h"

#include <QApplication>

#include <algorithm>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

// A retry while a modal run is on: its caller decides what shows next.
constexpr int kModalRetryMs = 100;
// The second look: a modal run that just ended has by then returned to its
// caller, which has shown whatever comes next.
constexpr int kSecondLookMs = 50;

class HideWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            EndIfNothingShown();
        return false;
    }
};

bool g_secondLook = false;
int g_locksElsewhere = 0;
void Check();

QTimer &CheckTimer()
{
    static QTimer *timer = [] {
        auto *t = new QTimer(qApp);
        t->setSingleShot(true);
        QObject::connect(t, &QTimer::timeout, Check);
        return t;
    }();
    return *timer;
}

void Check()
{
    if (ProgramShowsSomething())
        return;
    // The application's own run is level 1; anything deeper is a modal run.
    if (QThread::currentThread()->loopLevel() > 1) {
        g_secondLook = false;
        CheckTimer().start(kModalRetryMs);
        return;
    }
    if (!g_secondLook) {
        g_secondLook = true;
        CheckTimer().start(kSecondLookMs);
        return;
    }
    EndProgram(0);
}

} // namespace

void WatchLastWindow()
{
    static HideWatch *watch = nullptr;
    if (watch || !qApp)
        return;
    watch = new HideWatch(qApp);
    qApp->installEventFilter(watch);
}

bool ProgramShowsSomething()
{
    if (TrayIconCount() > 0 || g_locksElsewhere > 0)
        return true;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (type == Qt::ToolTip || type == Qt::Desktop)
            continue;
        if (w->isVisible())
            return true;
    }
    return false;
}

void LockShownElsewhere(bool shown)
{
    g_locksElsewhere = std::max(0, g_locksElsewhere + (shown ? 1 : -1));
    if (!shown)
        EndIfNothingShown();
}

void EndIfNothingShown()
{
    if (!qApp || CheckTimer().isActive())
        return;
    g_secondLook = false;
    CheckTimer().start(0);
}

void ForgetEndCheck()
{
    if (qApp)
        CheckTimer().stop();
}

} // namespace ui
