#include "platform/x11/X11DisplaySleep.h"

#include "platform/DisplayActivity.h"

#include <xcb/dpms.h>
#include <xcb/screensaver.h>

#include <cstdlib>

namespace platform::x11 {

DisplaySleep::DisplaySleep(Connection &connection) : m_conn(connection)
{
    xcb_connection_t *c = m_conn.Raw();
    const xcb_query_extension_reply_t *saver = xcb_get_extension_data(c, &xcb_screensaver_id);
    const xcb_query_extension_reply_t *dpms = xcb_get_extension_data(c, &xcb_dpms_id);
    if (saver && saver->present) {
        m_saverEventBase = saver->first_event;
        xcb_screensaver_select_input(c, m_conn.Root(), XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
        // A lock that comes up while the saver already blanks the screen.
        if (auto *info = xcb_screensaver_query_info_reply(c, xcb_screensaver_query_info(c, m_conn.Root()),
                                                          nullptr)) {
            platform::displayActivity().SetScreenSaverOn(info->state == XCB_SCREENSAVER_STATE_ON);
            std::free(info);
        }
    }
    if (dpms && dpms->present) {
        if (auto *capable = xcb_dpms_capable_reply(c, xcb_dpms_capable(c), nullptr)) {
            m_hasDpms = capable->capable != 0;
            std::free(capable);
        }
    }
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
    m_conn.CheckAlive();
}

bool DisplaySleep::MonitorsOff()
{
    if (!m_hasDpms)
        return false;
    if (m_sinceAsked.isValid() && m_sinceAsked.elapsed() < kPowerAskMs)
        return m_monitorsOff;
    m_sinceAsked.start();
    xcb_connection_t *c = m_conn.Raw();
    if (auto *info = xcb_dpms_info_reply(c, xcb_dpms_info(c), nullptr)) {
        m_monitorsOff = info->state != 0 && info->power_level != XCB_DPMS_DPMS_MODE_ON;
        std::free(info);
    }
    m_conn.DispatchQueued();
    return m_monitorsOff;
}

void DisplaySleep::OnEvent(const xcb_generic_event_t *event)
{
    if (m_saverEventBase < 0 || (event->response_type & 0x7f) != m_saverEventBase + XCB_SCREENSAVER_NOTIFY)
        return;
    const auto *notify = reinterpret_cast<const xcb_screensaver_notify_event_t *>(event);
    // The monitors may have woken with the saver's end: ask at the next due tick.
    m_sinceAsked.invalidate();
    m_monitorsOff = false;
    platform::displayActivity().SetScreenSaverOn(notify->state == XCB_SCREENSAVER_STATE_ON);
}

} // namespace platform::x11
