// The print module's entry point: the loader calls it once and owns the system.

#include "platform/ServiceModules.h"
#include "platform/print/CupsPrintSystem.h"

extern "C" __attribute__((visibility("default"))) platform::PrintSystem *gardlock_new_print_system()
{
    return platform::CreateCupsPrintSystem().release();
}
