#include "platform/x11/X11Monitors.h"

#include <xcb/randr.h>

#include <cstdlib>
#include <vector>

namespace platform::x11 {

Monitors::Monitors(Connection &connection) : m_conn(connection)
{
    xcb_connection_t *c = m_conn.Raw();
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr && randr->present) {
        m_randrEventBase = randr->first_event;
        if (auto *version = xcb_randr_query_version_reply(
                c, xcb_randr_query_version(c, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION), nullptr)) {
            m_hasMonitors = version->major_version > 1 || version->minor_version >= 5;
            std::free(version);
        }
        xcb_randr_select_input(c, m_conn.Root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    // A monitor set or removed by hand shows only as a root ConfigureNotify.
    m_conn.SelectEvents(m_conn.Root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
    m_conn.CheckAlive();
}

QRect Monitors::Desktop()
{
    ReadIfStale();
    return m_desktop;
}

QRect Monitors::Primary()
{
    ReadIfStale();
    return m_primary;
}

unsigned long Monitors::Generation()
{
    m_conn.DispatchQueued();
    return m_generation;
}

void Monitors::ReadIfStale()
{
    if (!m_stale)
        return;
    // Cleared first: a change announced during the round trips reads again.
    m_stale = false;
    xcb_connection_t *c = m_conn.Raw();
    const xcb_get_geometry_cookie_t rootCookie = xcb_get_geometry(c, m_conn.Root());
    xcb_randr_get_monitors_cookie_t monitorsCookie{};
    if (m_hasMonitors)
        monitorsCookie = xcb_randr_get_monitors(c, m_conn.Root(), 1);
    QRect root;
    if (auto *geometry = xcb_get_geometry_reply(c, rootCookie, nullptr)) {
        root = QRect(0, 0, geometry->width, geometry->height);
        std::free(geometry);
    }
    std::vector<MonitorArea> monitors;
    if (m_hasMonitors) {
        if (auto *reply = xcb_randr_get_monitors_reply(c, monitorsCookie, nullptr)) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
                 xcb_randr_monitor_info_next(&it))
                monitors.push_back(
                    {QRect(it.data->x, it.data->y, it.data->width, it.data->height), it.data->primary != 0});
            std::free(reply);
        }
    }
    m_conn.CheckAlive();
    // A lost reply keeps the last root: a lock that shrank on a failed read
    // would uncover the screen.
    if (root.isEmpty())
        root = m_desktop;
    m_desktop = root;
    m_primary = ChoosePrimary(monitors, root);
}

void Monitors::OnEvent(const xcb_generic_event_t *event)
{
    if (event->response_type & 0x80)
        return; // sent by a client, not by the server
    const std::uint8_t type = event->response_type & 0x7f;
    bool changed = false;
    if (type == XCB_CONFIGURE_NOTIFY) {
        auto *e = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        changed = e->window == m_conn.Root();
    } else if (m_randrEventBase != 0) {
        changed = type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                  type == m_randrEventBase + XCB_RANDR_NOTIFY;
    }
    if (changed) {
        m_stale = true;
        ++m_generation;
    }
}

} // namespace platform::x11
