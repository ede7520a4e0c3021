#pragma once
// Caught keys typed again into a window: sent as key events, which the
// server queues for the window's client in the order they are sent, ahead of
// anything the devices deliver there later.

#include "core/SupervisionProtocol.h"

#include <xcb/xcb.h>

#include <vector>

namespace platform::x11 {

// Queued on `conn` only; the caller flushes (or makes a round trip).
void SendKeyEvents(xcb_connection_t *conn, xcb_window_t root, xcb_window_t target,
                   const std::vector<protocol::CaughtKey> &keys);

} // namespace platform::x11
