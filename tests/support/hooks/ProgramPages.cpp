// Tests that move between screens: every page of the program registered, as
// the program does at its start.

#include "startup/ProgramPages.h"
#include "support/Hooks.h"

namespace {

const testing_support::RegisterHooks kPageHooks([] { RegisterProgramPages(); }, nullptr, nullptr);

} // namespace
