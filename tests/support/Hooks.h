#pragma once
// What the layers above the rules add to every unit test: each test
// executable links the hook files of the layers it tests (support/hooks/),
// which register here as the executable starts, so the shared support needs
// none of those layers.

namespace testing_support {

using Hook = void (*)();

// Run once before the first test, after the application is made.
void AddStartHook(Hook hook);
// Run at the end of every sandboxed test's set-up, and first in its tear-down.
void AddSetUpHook(Hook hook);
void AddTearDownHook(Hook hook);

void RunStartHooks();
void RunSetUpHooks();
void RunTearDownHooks();

// Registers a hook from a namespace-scope object's initialiser.
struct RegisterHooks {
    RegisterHooks(Hook start, Hook setUp, Hook tearDown)
    {
        if (start)
            AddStartHook(start);
        if (setUp)
            AddSetUpHook(setUp);
        if (tearDown)
            AddTearDownHook(tearDown);
    }
};

} // namespace testing_support
