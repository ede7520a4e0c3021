#include "platform/storage/Settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

QString StoreFile(const QString &appName)
{
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + appName + ".conf";
}

QString KeyPath(const QString &section, const QString &key)
{
    return section + "/" + key;
}

} // namespace

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    QSettings store(StoreFile(appName), QSettings::IniFormat);
    return store.value(KeyPath(section, key), defaultValue).toString();
}

void SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value)
{
    QSettings store(StoreFile(appName), QSettings::IniFormat);
    store.setValue(KeyPath(section, key), value);
    store.sync();
}

namespace settings {

QString Read(const Setting &setting)
{
    return GetSetting(kAppName, setting.section, setting.key, setting.defaultValue);
}

void Write(const Setting &setting, const QString &value)
{
    SaveSetting(kAppName, setting.section, setting.key, value);
}

} // namespace settings
