#pragma once
// An xcb reply freed when it goes out of scope (xcb hands replies over as
// malloc'd memory, and a missing one is null).

#include <cstdlib>

namespace platform::x11 {

template <typename Reply> struct Freed {
    Reply *reply;
    ~Freed() { std::free(reply); }
};

} // namespace platform::x11
