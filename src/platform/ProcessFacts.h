#pragma once
// Facts about the running process that screens and start-up entries need:
// the executable's folder and name, the version and the application title.

#include "core/Version.h"

#include <QString>

namespace app {
QString Path(); // the folder that holds the running executable
void SetPathForTesting(const QString &folder);
// The file name that starts the program: the front's, also when asked in the
// program the front started (gardlock-ui beside gardlock).
QString ExeName();
QString VersionText(); // "2.0"
QString Title();
void SetTitle(const QString &title);
} // namespace app
