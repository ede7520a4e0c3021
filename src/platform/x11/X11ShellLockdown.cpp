#include "platform/x11/X11ShellLockdown.h"

#include "platform/DisplayActivity.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplaySleep.h"
#include "platform/x11/X11Grab.h"
#include "platform/x11/X11LockCapability.h"
#include "platform/x11/X11MonitorChoice.h"
#include "platform/x11/X11Monitors.h"
#include "platform/x11/X11OwnMoves.h"
#include "platform/x11/X11Panels.h"
#include "platform/x11/X11RootWatch.h"
#include "platform/x11/X11StackKeeper.h"
#include "platform/x11/X11SyntheticInput.h"
#include "platform/x11/X11WindowHints.h"
#include "platform/x11/plain/X11GrabBreak.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace platform {

namespace {

using namespace platform::x11;

// The server counts device pixels; widgets are placed in Qt's scaled ones.
QRect Logical(QRect device)
{
    return ToLogical(device, qGuiApp->devicePixelRatio());
}

// The X11 parts, made on first use so that a program that never locks (or
// runs on another Qt platform) opens no second connection.
struct Desktop {
    Connection connection;
    std::optional<RootWatch> rootWatch;
    std::optional<Panels> panels;
    std::optional<StackKeeper> keeper;
    std::optional<Grab> grab;
    std::optional<Monitors> monitors;
    std::optional<DisplaySleep> sleep;
    // Another program may hold the keyboard or pointer: the server says
    // nothing when it lets go, so a grab that failed is tried again at this
    // pace until it holds.
    QTimer holdRetry;
    static constexpr int kHoldRetryMs = 100;
    // Held with the grab: while it is, only the devices type into the program.
    SyntheticInputFilter syntheticInput;
    OwnMoves ownMoves;
    // Whether the keyboard map binds grab-breaking keys, asked again after
    // every change of the map (the server tells every client of one).
    std::optional<bool> grabBreakingKeys;

    Desktop()
    {
        if (!connection.IsOpen())
            return;
        connection.AddListener([this](const xcb_generic_event_t *event) {
            if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY)
                grabBreakingKeys.reset();
        });
        rootWatch.emplace(connection);
        panels.emplace(connection, *rootWatch);
        keeper.emplace(connection, *rootWatch);
        grab.emplace(
            connection, [this] { return FocusWindow(); }, [this](QWindow *w) { keeper->Focus(w); });
        monitors.emplace(connection);
        sleep.emplace(connection);
        platform::displayActivity().SetMonitorsProbe([this] { return sleep->MonitorsOff(); });
        holdRetry.setInterval(kHoldRetryMs);
        QObject::connect(&holdRetry, &QTimer::timeout, [this] { HoldAgain(); });
        // What another client changes is undone as soon as its events are
        // read; then the lock's own checks run, on the same events.
        connection.SetReaction([this] {
            Undo();
            platform::displayActivity().ReportChange();
        });
        connection.Flush();
    }
    ~Desktop()
    {
        connection.SetReaction({});
        platform::displayActivity().SetMonitorsProbe({});
    }

    // Takes whichever grab is not held, and keeps trying while one is not.
    void HoldAgain()
    {
        if (grab->Wanted() && !grab->Held())
            grab->Hold();
        RetryUntilHeld();
    }
    void RetryUntilHeld()
    {
        if (!grab->Wanted() || grab->Held())
            holdRetry.stop();
        else if (!holdRetry.isActive())
            holdRetry.start();
    }

    // The parts of the hiding steps and the window layer that the events
    // showed undone, in the steps' order; each sends nothing when nothing
    // changed, and nothing at all unless a lock keeps it up.
    void Undo()
    {
        HoldAgain();
        keeper->Maintain();
        panels->Rehide();
    }
    bool Ready() const { return grab.has_value(); }

    // The window the keys belong to: a shown modal window, else the layered
    // window, else the top-most shown window that bypasses the window
    // manager, else the top-most shown window of the program.
    QWindow *FocusWindow()
    {
        QWindow *modal = QGuiApplication::modalWindow();
        if (modal && modal->isVisible() && modal->handle())
            return modal;
        if (QWindow *layered = keeper->LayeredWindow())
            return layered;
        const StackModel &model = rootWatch->Model();
        QWindow *best = nullptr;
        int bestPos = -2;
        bool bestBypass = false;
        for (QWindow *w : QGuiApplication::topLevelWindows()) {
            if (!w->isVisible() || !w->handle())
                continue;
            const Qt::WindowType kind = w->type();
            if (kind != Qt::Window && kind != Qt::Dialog)
                continue;
            const bool bypass = w->flags().testFlag(Qt::X11BypassWindowManagerHint);
            const int pos = model.Position(static_cast<xcb_window_t>(w->winId()));
            if (!best || (bypass && !bestBypass) || (bypass == bestBypass && pos > bestPos)) {
                best = w;
                bestPos = pos;
                bestBypass = bypass;
            }
        }
        return best;
    }
};

class X11ShellLockdown : public ShellLockdown {
public:
    void HideTaskBar() override { Hide(Part::TaskBar); }
    void ShowTaskBar() override { Show(Part::TaskBar); }
    void HideStartButton() override { Hide(Part::StartButton); }
    void ShowStartButton() override { Show(Part::StartButton); }
    void HideTrayArea() override { Hide(Part::TrayArea); }
    void ShowTrayArea() override { Show(Part::TrayArea); }
    void HideTaskTabs() override { Hide(Part::TaskTabs); }
    void ShowTaskTabs() override { Show(Part::TaskTabs); }

    void DisableSystemKeys() override
    {
        if (Desktop *d = Get()) {
            d->syntheticInput.Start();
            d->grab->Hold();
            d->RetryUntilHeld();
            // Between layer ticks (or once the layered window is gone and only
            // its owners remain) the hiding steps keep the windows on top too.
            d->keeper->Maintain();
        }
    }
    void EnableSystemKeys() override
    {
        if (Desktop *d = Get()) {
            d->keeper->Stop();
            d->grab->Release();
            d->holdRetry.stop();
            d->syntheticInput.Stop();
        }
    }
    void SetScreenSaverRunning(bool running) override
    {
        if (running)
            DisableSystemKeys();
        else
            EnableSystemKeys();
    }
    void SetWindowLayer(QWidget *window, bool) override
    {
        if (Desktop *d = Get())
            d->keeper->Keep(window);
    }

    void HopLockBox(QWidget *window, QPoint topLeft) override
    {
        if (Desktop *d = Get()) {
            if (d->ownMoves.Move(window, topLeft) && d->keeper)
                d->keeper->Placed(window);
        } else
            ShellLockdown::HopLockBox(window, topLeft);
    }

    void SkipTaskBar(QWidget *window) override { x11::SkipTaskBar(window); }

    QRect DesktopArea() override
    {
        Desktop *d = Get();
        return d ? Logical(d->monitors->Desktop()) : ShellLockdown::DesktopArea();
    }
    QRect PrimaryArea() override
    {
        Desktop *d = Get();
        return d ? Logical(d->monitors->Primary()) : ShellLockdown::PrimaryArea();
    }
    unsigned long DesktopGeneration() override
    {
        Desktop *d = Get();
        return d ? d->monitors->Generation() : 0;
    }

    QString CannotLockReason() override
    {
        LockFacts facts = ProcessLockFacts();
        if (facts.qtPlatform == QLatin1String("xcb")) {
            Desktop *d = Get();
            if (!d)
                return QStringLiteral("The X11 display cannot be reached, so a lock could not hold the "
                                      "keyboard.");
            if (!m_xwaylandKnown) {
                m_xwayland = d->connection.HasExtension("XWAYLAND");
                m_xwaylandKnown = true;
            }
            facts.serverIsXwayland = m_xwayland;
            facts.grabBreakingKeys = GrabBreakingKeysBound();
        }
        return x11::CannotLockReason(facts);
    }

    bool HoldsInput() override
    {
        Desktop *d = Get();
        return d && d->grab->Held();
    }

    bool GrabBreakingKeysBound() override
    {
        Desktop *d = Get();
        if (!d)
            return false;
        if (!d->grabBreakingKeys)
            d->grabBreakingKeys = x11::BindsGrabBreakingKeys();
        return *d->grabBreakingKeys;
    }

private:
    Desktop *Get()
    {
        if (!m_desktop) {
            if (QGuiApplication::platformName() != QLatin1String("xcb"))
                return nullptr;
            m_desktop = std::make_unique<Desktop>();
        }
        return m_desktop->Ready() ? m_desktop.get() : nullptr;
    }
    void Hide(Part part)
    {
        if (Desktop *d = Get())
            d->panels->Hide(part);
    }
    void Show(Part part)
    {
        if (Desktop *d = Get())
            d->panels->Show(part);
    }

    std::unique_ptr<Desktop> m_desktop;
    bool m_xwaylandKnown = false;
    bool m_xwayland = false;
};

} // namespace

std::unique_ptr<ShellLockdown> CreateX11ShellLockdown()
{
    return std::make_unique<X11ShellLockdown>();
}

} // namespace platform
