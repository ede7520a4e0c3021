#include "platform/x11/plain/X11KeyEvents.h"

#include <cstring>

namespace platform::x11 {

void SendKeyEvents(xcb_connection_t *conn, xcb_window_t root, xcb_window_t target,
                   const std::vector<protocol::CaughtKey> &keys)
{
    for (const protocol::CaughtKey &key : keys) {
        xcb_key_press_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = key.press ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
        event.detail = key.code;
        event.time = key.time;
        event.root = root;
        event.event = target;
        event.child = XCB_NONE;
        event.state = key.state;
        event.same_screen = 1;
        xcb_send_event(conn, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    }
}

} // namespace platform::x11
