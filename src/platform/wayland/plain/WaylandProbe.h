#pragma once
// Whether a Wayland compositor is there and offers the session lock
// (ext-session-lock-v1), asked without Qt: one connection, one read of the
// registry, then gone. Nothing is ever left waiting on a compositor that
// does not answer: connecting and the round trip share one time bound.

#include "core/DisplayFacts.h"

#include <string>

namespace platform::wayland {

// The interface a compositor offers when it can be locked.
inline constexpr char kSessionLockManager[] = "ext_session_lock_manager_v1";

// How long the probe waits for a compositor, all told. A working one
// answers in a few milliseconds, even on a loaded machine.
inline constexpr int kProbeTimeoutMs = 2000;

// The socket path libwayland itself would take for a $WAYLAND_DISPLAY name:
// the name when it is absolute, else in $XDG_RUNTIME_DIR (empty without it).
std::string CompositorSocketPath(const std::string &display);

// Asks the compositor `display` names (as $WAYLAND_DISPLAY does: a socket
// in $XDG_RUNTIME_DIR, or an absolute path) for its globals. Not reached
// when the name is empty, nothing listens there, the connection fails, or
// no answer comes within timeoutMs.
WaylandFacts ProbeCompositor(const std::string &display, int timeoutMs = kProbeTimeoutMs);

} // namespace platform::wayland
