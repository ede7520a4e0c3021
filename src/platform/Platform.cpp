#include "platform/Platform.h"

#include <cstdlib>

namespace platform {

namespace {
Services g_services;
}

Services &services()
{
    if (!g_services.shell || !g_services.dialogs || !g_services.launcher || !g_services.session) {
        // A screen asked for a service before main() or the test fixture
        // installed them: a programming error, never a user's.
        std::abort();
    }
    return g_services;
}

void install(const Services &s)
{
    g_services = s;
}

} // namespace platform
