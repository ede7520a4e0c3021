#pragma once
// The watchdog of one intruder command: `gardlock --intruder-command
// COMMAND`, which the program starts detached for each wrong password. It
// runs the command through /bin/sh -c, detached in turn (platform/
// DetachedSpawn.h), and ends it 60 s after it started, whether or not the
// program that asked for it still runs. While it lives it holds the
// descriptor it was given as 3 (the program's lock on "one command at a
// time"); the command itself gets none of it.

#include "core/CommandLine.h"

#include <string>

namespace front {

// How long an intruder command may run.
inline constexpr int kIntruderCommandSeconds = 60;
// How long it has after SIGTERM before SIGKILL.
inline constexpr int kIntruderCommandGraceSeconds = 5;

// Returns the status to end with: 0 once the command ended (by itself or
// ended here), 1 when it could not be started.
int WatchIntruderCommand(const std::string &command);

} // namespace front
