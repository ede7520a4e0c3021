#pragma once
// For the benchmarks: when the front reached each step of a lock, appended to
// the file $GARDLOCK_TIMES_LOG names, one "<step> <CLOCK_MONOTONIC ns>" line
// each. Nothing is written without the variable.

namespace supervision {

void NoteTime(const char *step);

} // namespace supervision
