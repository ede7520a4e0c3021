// Tests of the lock windows and above: one test's unwritten restart entry
// never shows on the next one's lock.

#include "lock/InputHeldNotice.h"
#include "support/Hooks.h"

namespace {

const testing_support::RegisterHooks kLockHooks(nullptr, [] { InputHeldNotice::SetRestartEntryMissing(false); },
                                                nullptr);

} // namespace
