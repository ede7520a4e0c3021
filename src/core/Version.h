#pragma once
// The program's name and version, without Qt: the front prints them before
// any Qt library is loaded.

namespace app {
inline constexpr int kMajor = 2;
inline constexpr int kMinor = 0;
// What --version prints.
inline constexpr char kNameAndVersion[] = "Gardlock 2001 2.0";
} // namespace app
