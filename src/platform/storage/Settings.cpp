#include "platform/storage/Settings.h"

#include "platform/storage/FileIO.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Far above anything the program stores; a bigger file is not ours to rewrite.
constexpr qint64 kMaxStoreBytes = 1 << 20;

QString StoreFile(const QString &appName)
{
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + appName + ".conf";
}

QString KeyPath(const QString &section, const QString &key)
{
    return section + "/" + key;
}

// A scratch file beside the store holding the given bytes, for QSettings to
// read or rewrite under a name it has never cached.
bool Scratch(QTemporaryFile &file, const QString &store, const QByteArray &bytes)
{
    file.setFileTemplate(store + ".scratch-XXXXXX");
    if (!file.open())
        return false;
    file.close();
    return platform::WriteFileAtomically(file.fileName(), bytes);
}

QByteArray WholeFile(const QString &path, bool *ok)
{
    const platform::ReadResult read = platform::ReadFileHead(path, kMaxStoreBytes + 1);
    *ok = read.status == platform::ReadStatus::Ok && read.bytes.size() <= kMaxStoreBytes;
    return read.bytes;
}

bool SameValues(QSettings &a, QSettings &b)
{
    const QStringList keys = a.allKeys();
    if (keys != b.allKeys())
        return false;
    for (const QString &key : keys) {
        if (a.value(key) != b.value(key))
            return false;
    }
    return true;
}

} // namespace

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    QSettings store(StoreFile(appName), QSettings::IniFormat);
    return store.value(KeyPath(section, key), defaultValue).toString();
}

// QSettings alone would do, but its file writes lose a short write's error
// (a full disk): it would then rename a cut-off file over the store and
// report success. So QSettings only makes the new text, on a scratch copy;
// the text is read back and checked against the values it should hold, and
// only then replaces the store atomically.
bool SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value)
{
    const QString store = StoreFile(appName);
    // A folder that cannot be made shows as the scratch file failing below.
    QDir().mkpath(QFileInfo(store).absolutePath());
    // The lock file QSettings itself takes, so copies of the program take turns.
    QLockFile lock(store + ".lock");
    if (!lock.lock())
        return false;

    const QFileInfo before(store);
    QByteArray current;
    if (before.exists()) {
        bool read = false;
        current = WholeFile(store, &read);
        if (!read)
            return false; // what cannot be read must not be replaced
    }

    QTemporaryFile made, check;
    if (!Scratch(made, store, current))
        return false;
    QSettings next(made.fileName(), QSettings::IniFormat);
    next.setValue(KeyPath(section, key), value);
    next.sync();
    bool read = false;
    const QByteArray text = WholeFile(made.fileName(), &read);
    if (next.status() == QSettings::AccessError || !read || !Scratch(check, store, text))
        return false;
    QSettings written(check.fileName(), QSettings::IniFormat);
    if (written.status() != QSettings::NoError || !SameValues(next, written))
        return false;

    if (!platform::WriteFileAtomically(store, text, 0644))
        return false;
    // Reads in this process go through QSettings' cache of the store, which
    // takes a file of the same size and modification time (to the
    // millisecond) as the one it read for unchanged: each version gets a
    // later time than the one before.
    const QDateTime previous = before.exists() ? before.lastModified() : QDateTime();
    QFile replaced(store);
    if (previous.isValid() && QFileInfo(store).lastModified() <= previous &&
        replaced.open(QIODevice::ReadWrite))
        replaced.setFileTime(previous.addMSecs(1), QFileDevice::FileModificationTime);
    return true;
}

namespace settings {

QString FilePath()
{
    return StoreFile(kAppName);
}

QString Read(const Setting &setting)
{
    return GetSetting(kAppName, setting.section, setting.key, setting.defaultValue);
}

bool Write(const Setting &setting, const QString &value)
{
    return SaveSetting(kAppName, setting.section, setting.key, value);
}

} // namespace settings
