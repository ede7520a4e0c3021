#pragma once
// The name the program's own Qt platform goes by, as QT_QPA_PLATFORM gives it
// (and as SessionLockPlugin.json lists it).

namespace platform::sessionlock {

inline constexpr char kPlatformName[] = "gardlock-sessionlock";

} // namespace platform::sessionlock
