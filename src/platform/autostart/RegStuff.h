#pragma once
// Start-up entries: the program's own command lines that the desktop session
// runs at the next log-in. Each entry is one XDG autostart file in
// $XDG_CONFIG_HOME/autostart/, named deterministically from its list and its
// command text ("Gardlock.exe /d"), so adding twice leaves one file and
// removing one never touches another. Each change reports whether it took:
// false when the entry could not be written (a full disk, a read-only folder,
// a file where the autostart folder should be) or is still there after a
// removal. Removing an entry that is not there succeeds.

#include "platform/autostart/StartupCommands.h"

#include <QString>

enum class StartupList { Services, Run };

[[nodiscard]] bool AddServiceStartup(const QString &command);
[[nodiscard]] bool RemoveServiceStartup(const QString &command);
[[nodiscard]] bool AddRunStartup(const QString &command);
[[nodiscard]] bool RemoveRunStartup(const QString &command);

// The lower operations: write or delete the autostart desktop entry that
// holds one command of one list. The entry is replaced atomically: a
// failure leaves the earlier one, if any, as it was.
[[nodiscard]] bool WriteAutostartEntry(StartupList list, const QString &command, const QString &commandLine);
[[nodiscard]] bool RemoveAutostartEntry(StartupList list, const QString &command);

// The program an entry starts, by its absolute path: the program's folder, a
// separator unless the folder already ends with one, and the executable.
QString StartupProgram();
// The full command line an entry starts: that program and the switch.
QString StartupCommandLine(const QString &command);

// Inspection, for the screens' tests and the program's own checks.
QString StartupFolder();
QString StartupEntryPath(StartupList list, const QString &command);
bool HasStartupEntry(StartupList list, const QString &command);
