// Tests of the widget layer and above: every screen a test loaded is gone
// before the next test.

#include "support/Hooks.h"
#include "ui/Form.h"

namespace {

const testing_support::RegisterHooks kUiHooks(nullptr, nullptr, [] { Forms::DestroyAll(); });

} // namespace
