#include "platform/x11/X11RootWatch.h"

#include <cstdlib>

namespace platform::x11 {

namespace {
QRect RectOf(int x, int y, int w, int h)
{
    return QRect(x, y, w, h);
}
} // namespace

RootWatch::RootWatch(Connection &connection) : m_conn(connection)
{
    m_conn.SelectEvents(m_conn.Root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
    Resync();
}

const StackModel &RootWatch::Model()
{
    if (!m_model.InStep())
        Resync();
    return m_model;
}

void RootWatch::Resync()
{
    xcb_connection_t *c = m_conn.Raw();
    // Events already on their way describe changes the tree below includes.
    const xcb_query_tree_cookie_t treeCookie = xcb_query_tree(c, m_conn.Root());
    m_syncSequence = static_cast<std::uint16_t>(treeCookie.sequence);
    m_filtering = true;
    std::vector<StackModel::Entry> entries;
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, treeCookie, nullptr)) {
        const int n = xcb_query_tree_children_length(tree);
        const xcb_window_t *children = xcb_query_tree_children(tree);
        std::vector<xcb_get_window_attributes_cookie_t> attrs(n);
        std::vector<xcb_get_geometry_cookie_t> geoms(n);
        for (int i = 0; i < n; ++i) {
            attrs[i] = xcb_get_window_attributes(c, children[i]);
            geoms[i] = xcb_get_geometry(c, children[i]);
        }
        for (int i = 0; i < n; ++i) {
            StackModel::Entry e;
            e.id = children[i];
            bool exists = false;
            if (auto *a = xcb_get_window_attributes_reply(c, attrs[i], nullptr)) {
                e.mapped = a->map_state != XCB_MAP_STATE_UNMAPPED;
                exists = true;
                std::free(a);
            }
            if (auto *g = xcb_get_geometry_reply(c, geoms[i], nullptr)) {
                e.geometry = RectOf(g->x, g->y, g->width, g->height);
                std::free(g);
            }
            if (exists)
                entries.push_back(e);
        }
        std::free(tree);
    }
    m_conn.CheckAlive();
    m_model.Reset(std::move(entries));
    ++m_generation;
}

void RootWatch::OnEvent(const xcb_generic_event_t *event)
{
    const std::uint8_t type = event->response_type & 0x7f;
    // Synthetic events (a window manager's ICCCM notices) describe nothing
    // the server did.
    if (event->response_type & 0x80)
        return;
    const xcb_window_t root = m_conn.Root();
    switch (type) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CIRCULATE_NOTIFY:
        break;
    default:
        return;
    }
    if (m_filtering) {
        if (static_cast<std::int16_t>(event->sequence - m_syncSequence) < 0)
            return;
        m_filtering = false;
    }
    switch (type) {
    case XCB_CREATE_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_create_notify_event_t *>(event);
        if (e->parent != root)
            return;
        m_model.Created(e->window, RectOf(e->x, e->y, e->width, e->height));
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        if (e->event != root)
            return;
        m_model.Destroyed(e->window);
        break;
    }
    case XCB_MAP_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (e->event != root)
            return;
        m_model.Mapped(e->window);
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_unmap_notify_event_t *>(event);
        if (e->event != root)
            return;
        m_model.Unmapped(e->window);
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        if (e->event != root || e->window == root)
            return;
        m_model.Configured(e->window, e->above_sibling, RectOf(e->x, e->y, e->width, e->height));
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_reparent_notify_event_t *>(event);
        if (e->event != root)
            return;
        if (e->parent == root)
            m_model.ReparentedToRoot(e->window, RectOf(e->x, e->y, 0, 0));
        else
            m_model.ReparentedAway(e->window);
        break;
    }
    case XCB_CIRCULATE_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_circulate_notify_event_t *>(event);
        if (e->event != root)
            return;
        m_model.Circulated(e->window, e->place == XCB_PLACE_ON_TOP);
        break;
    }
    }
    ++m_generation;
}

} // namespace platform::x11
