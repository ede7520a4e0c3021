#pragma once
// The settings store: named texts under an application name, a section and a
// key, kept in $XDG_CONFIG_HOME/<application>.conf (INI). Reading never fails
// (a missing value reads as the default). Writing replaces the file
// atomically and reports whether the value reached it: after a failure (a
// full disk, a read-only folder, a folder in the file's place) the file and
// every read hold what they held before.

#include <QString>

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
[[nodiscard]] bool SaveSetting(const QString &appName, const QString &section, const QString &key,
                               const QString &value);

// The settings in use, declared once with their defaults.
namespace settings {

struct Setting {
    const char *section;
    const char *key;
    const char *defaultValue;
};

inline constexpr const char *kAppName = "DW2001";
inline constexpr Setting Background1{"Options", "Background1", ""};
inline constexpr Setting Background2{"Options", "Background2", ""};
inline constexpr Setting TrayIcon{"Options", "TrayIcon", "Disabled"};
inline constexpr Setting ViewLogStatus{"ViewLog", "Status", "Unlocked"};
// The URL of the folder holding "application.ver" and "news2.txt"; empty
// means the maker's own download folder.
inline constexpr Setting DownloadFolder{"Web", "DownloadFolder", ""};
// A command run through /bin/sh -c for each wrong password at any prompt;
// empty means none (rules/IntruderCommand.h).
inline constexpr Setting IntruderCommand{"Options", "IntruderCommand", ""};

// The file the settings live in, to name it to the user.
QString FilePath();
QString Read(const Setting &setting);
[[nodiscard]] bool Write(const Setting &setting, const QString &value);

} // namespace settings
