#include "support/Hooks.h"

#include <vector>

namespace testing_support {

namespace {

// Function-local, so that registrations from other files' initialisers find
// them made whatever the order of initialisation.
std::vector<Hook> &Hooks(int which)
{
    static std::vector<Hook> lists[3];
    return lists[which];
}

void RunAll(int which)
{
    for (const Hook hook : Hooks(which))
        hook();
}

} // namespace

void AddStartHook(Hook hook)
{
    Hooks(0).push_back(hook);
}
void AddSetUpHook(Hook hook)
{
    Hooks(1).push_back(hook);
}
void AddTearDownHook(Hook hook)
{
    Hooks(2).push_back(hook);
}
void RunStartHooks()
{
    RunAll(0);
}
void RunSetUpHooks()
{
    RunAll(1);
}
void RunTearDownHooks()
{
    RunAll(2);
}

} // namespace testing_support
