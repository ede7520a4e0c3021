#include "platform/Printing.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

PrintSystem &printSystem()
{
    PrintSystem *system = installed().printers;
    if (!system) {
        std::fprintf(stderr, "gardlock: no print system installed\n");
        std::abort();
    }
    return *system;
}

} // namespace platform
