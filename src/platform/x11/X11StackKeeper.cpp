#include "platform/x11/X11StackKeeper.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

namespace platform::x11 {

namespace {
// The least time between two focus tries: a client that takes the focus back
// each time cannot make the two programs spin.
constexpr int kFocusPauseMs = 5;
} // namespace

StackKeeper::StackKeeper(Connection &connection, RootWatch &rootWatch) : m_conn(connection), m_root(rootWatch)
{
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
    m_focusRetry.setSingleShot(true);
    m_focusRetry.setTimerType(Qt::PreciseTimer);
    connect(&m_focusRetry, &QTimer::timeout, this, [this] { Maintain(); });
}

QRect StackKeeper::DeviceGeometry(const QWidget *widget)
{
    const qreal ratio = widget->devicePixelRatioF();
    const QRect g = widget->geometry();
    return QRect(qRound(g.x() * ratio), qRound(g.y() * ratio), qRound(g.width() * ratio),
                 qRound(g.height() * ratio));
}

void StackKeeper::OnEvent(const xcb_generic_event_t *event)
{
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == 0) {
        auto *error = reinterpret_cast<const xcb_generic_error_t *>(event);
        if (error->major_code == XCB_SET_INPUT_FOCUS) {
            // The window was not viewable yet: try again later.
            for (auto &[xid, guard] : m_guards)
                guard.focused = false;
            m_dirty = true;
        }
        return;
    }
    if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        auto *e = reinterpret_cast<const xcb_focus_in_event_t *>(event);
        // A grab starting or ending moves no real focus.
        if (e->mode == XCB_NOTIFY_MODE_GRAB || e->mode == XCB_NOTIFY_MODE_UNGRAB)
            return;
        auto it = m_guards.find(e->event);
        if (it == m_guards.end() || e->detail == XCB_NOTIFY_DETAIL_POINTER)
            return;
        if (type == XCB_FOCUS_IN) {
            it->second.focused = true;
        } else if (e->detail != XCB_NOTIFY_DETAIL_INFERIOR) {
            it->second.focused = false;
            m_dirty = true;
        }
        return;
    }
    if (type == XCB_REPARENT_NOTIFY) {
        auto *e = reinterpret_cast<const xcb_reparent_notify_event_t *>(event);
        auto it = m_guards.find(e->window);
        if (it != m_guards.end())
            it->second.topKnown = false;
        m_dirty = true;
    }
}

bool StackKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // The program moving or resizing its own window changes where the window
    // belongs; the window system doing so (another client) does not.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) && !event->spontaneous()) {
        auto *widget = static_cast<QWidget *>(watched);
        for (auto &[xid, guard] : m_guards) {
            if (guard.widget == widget) {
                guard.expected = DeviceGeometry(widget);
                m_dirty = true;
            }
        }
    }
    return false;
}

void StackKeeper::Keep(QWidget *window)
{
    if (!window)
        return;
    QWidget *top = window->window();
    if (m_chain.empty() || m_chain.front() != top) {
        m_chain.clear();
        for (QWidget *w = top; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
            m_chain.push_back(w);
        m_dirty = true;
    }
    Maintain();
}

void StackKeeper::Placed(QWidget *window)
{
    for (auto &[xid, guard] : m_guards)
        if (guard.widget == window)
            guard.expected = DeviceGeometry(window);
}

void StackKeeper::Stop()
{
    m_focusRetry.stop();
    m_chain.clear();
    for (auto &[xid, guard] : m_guards)
        if (guard.widget)
            guard.widget->removeEventFilter(this);
    m_guards.clear();
}

QWindow *StackKeeper::LayeredWindow() const
{
    if (m_chain.empty() || !m_chain.front() || !m_chain.front()->isVisible())
        return nullptr;
    return m_chain.front()->windowHandle();
}

void StackKeeper::Focus(QWindow *window)
{
    if (!window)
        return;
    xcb_set_input_focus(m_conn.Raw(), XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window->winId()),
                        XCB_CURRENT_TIME);
    m_conn.Flush();
}

std::vector<QWidget *> StackKeeper::ProtectedWindows() const
{
    // The chain's shown windows, then every shown window of the program that
    // one of them owns (the prompt over the background, its message boxes),
    // owners always before the windows they own.
    std::vector<QWidget *> base;
    for (const QPointer<QWidget> &w : m_chain)
        if (w && w->isVisible())
            base.push_back(w);
    if (base.empty())
        return {};
    std::vector<QWidget *> result;
    std::function<int(QWidget *)> depth = [&](QWidget *w) {
        int d = 0;
        for (QWidget *o = w->parentWidget(); o; o = o->parentWidget() ? o->parentWidget()->window() : nullptr)
            ++d;
        return d;
    };
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !w->windowHandle())
            continue;
        const Qt::WindowType kind = w->windowType();
        if (kind != Qt::Window && kind != Qt::Dialog)
            continue;
        bool related = false;
        for (QWidget *o = w; o && !related; o = o->parentWidget() ? o->parentWidget()->window() : nullptr)
            related = std::find(base.begin(), base.end(), o) != base.end();
        if (related)
            result.push_back(w);
    }
    const StackModel &model = m_root.Model();
    std::stable_sort(result.begin(), result.end(), [&](QWidget *a, QWidget *b) {
        const int da = depth(a), db = depth(b);
        if (da != db)
            return da < db;
        return model.Position(static_cast<xcb_window_t>(a->winId())) <
               model.Position(static_cast<xcb_window_t>(b->winId()));
    });
    return result;
}

StackKeeper::Guard &StackKeeper::GuardFor(QWidget *widget)
{
    const auto xid = static_cast<xcb_window_t>(widget->winId());
    auto it = m_guards.find(xid);
    if (it != m_guards.end() && it->second.widget == widget)
        return it->second;
    Guard g;
    g.widget = widget;
    g.xid = xid;
    g.expected = DeviceGeometry(widget);
    widget->installEventFilter(this);
    m_conn.SelectEvents(xid, XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    return m_guards[xid] = g;
}

xcb_window_t StackKeeper::TopOf(Guard &guard)
{
    if (m_root.Model().Find(guard.xid))
        return guard.xid;
    if (guard.topKnown)
        return guard.top;
    // A window the window manager framed: climb to the root's child.
    xcb_connection_t *c = m_conn.Raw();
    xcb_window_t w = guard.xid;
    guard.top = 0;
    for (int depth = 0; depth < 8; ++depth) {
        auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree)
            break;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == m_conn.Root() || parent == 0) {
            guard.top = parent ? w : 0;
            break;
        }
        w = parent;
    }
    guard.topKnown = true;
    m_conn.CheckAlive();
    return guard.top;
}

void StackKeeper::Maintain()
{
    if (m_chain.empty())
        return;
    if (!m_dirty && m_root.Generation() == m_seenGeneration)
        return; // nothing happened: nothing to ask the server
    m_dirty = false;

    const std::vector<QWidget *> windows = ProtectedWindows();
    // Forget windows no longer kept.
    for (auto it = m_guards.begin(); it != m_guards.end();) {
        QWidget *w = it->second.widget;
        if (!w || std::find(windows.begin(), windows.end(), w) == windows.end()) {
            if (w)
                w->removeEventFilter(this);
            it = m_guards.erase(it);
        } else {
            ++it;
        }
    }
    if (windows.empty())
        return;

    xcb_connection_t *c = m_conn.Raw();
    std::vector<xcb_window_t> wanted;
    for (QWidget *w : windows) {
        Guard &g = GuardFor(w);
        const xcb_window_t top = TopOf(g);
        if (!top)
            continue;
        wanted.push_back(top);
        if (top != g.xid)
            continue; // framed by the window manager: its frame is stacked, not moved
        const StackModel::Entry *e = m_root.Model().Find(top);
        if (!e)
            continue;
        if (!e->mapped && e->everMapped) {
            xcb_map_window(c, top); // another client unmapped it
        } else if (e->mapped && e->geometry != g.expected && g.expected.isValid()) {
            const std::uint32_t values[] = {static_cast<std::uint32_t>(g.expected.x()),
                                            static_cast<std::uint32_t>(g.expected.y()),
                                            static_cast<std::uint32_t>(g.expected.width()),
                                            static_cast<std::uint32_t>(g.expected.height())};
            xcb_configure_window(c, top,
                                 XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                     XCB_CONFIG_WINDOW_HEIGHT,
                                 values);
        }
    }
    for (xcb_window_t w : m_root.Model().ToRaise(wanted)) {
        const std::uint32_t values[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, values);
    }

    // The focus belongs on the modal window if it is one of these, else on
    // the layered window.
    QWidget *focusTarget = nullptr;
    if (QWindow *modal = QGuiApplication::modalWindow()) {
        for (QWidget *w : windows)
            if (w->windowHandle() == modal)
                focusTarget = w;
    }
    if (!focusTarget && !m_chain.empty() && m_chain.front() && m_chain.front()->isVisible())
        focusTarget = m_chain.front();
    if (focusTarget) {
        Guard &g = GuardFor(focusTarget);
        if (!g.focused) {
            const qint64 since = m_sinceFocusTry.isValid() ? m_sinceFocusTry.elapsed() : kFocusPauseMs;
            if (since >= kFocusPauseMs) {
                xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, g.xid, XCB_CURRENT_TIME);
                m_sinceFocusTry.start();
                // Taken as done; a FocusOut or an error says otherwise.
                g.focused = true;
            } else {
                m_dirty = true;
                if (!m_focusRetry.isActive())
                    m_focusRetry.start(int(kFocusPauseMs - since));
            }
        }
    }
    m_conn.Flush();
    m_seenGeneration = m_root.Generation();
    m_conn.DispatchQueued();
}

} // namespace platform::x11
