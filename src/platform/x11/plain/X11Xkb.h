#pragma once
// The XKB protocol header, which names a field `explicit`, a C++ keyword.

#include <xcb/xcb.h>
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
