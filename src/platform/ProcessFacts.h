#pragma once
// Facts about the running process that screens and start-up entries need:
// the executable's folder and name, the version and the application title.

#include <QString>

namespace app {
QString Path(); // the folder that holds the running executable
void SetPathForTesting(const QString &folder);
QString ExeName(); // the running executable's file name
inline constexpr int kMajor = 2;
inline constexpr int kMinor = 0;
QString VersionText(); // "2.0"
QString Title();
void SetTitle(const QString &title);
} // namespace app
