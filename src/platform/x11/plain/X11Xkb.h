#pragma once
// The XKB protocol header, which names a field `explicit`, a C++ keyword,
// and the XKB requests both processes make.

#include <xcb/xcb.h>
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace platform::x11 {

// Asks for XKB on the connection (one round trip); false without it.
bool UseXkb(xcb_connection_t *conn);

// Locks the core keyboard's layout group (counted from 0). Checked: done in
// the server when it returns.
void LockKeyboardGroup(xcb_connection_t *conn, int group);

} // namespace platform::x11
