#include "platform/Printing.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
PrintSystem *g_printSystem = nullptr;
}

PrintSystem &printSystem()
{
    if (!g_printSystem) {
        std::fprintf(stderr, "gardlock: no print system installed\n");
        std::abort();
    }
    return *g_printSystem;
}

void installPrintSystem(PrintSystem *system)
{
    g_printSystem = system;
}

} // namespace platform
