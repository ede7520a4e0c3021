#include "platform/storage/Folders.h"

#include "platform/storage/DrivePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace platform {

namespace {

bool HasDriveLetter(const QString &folder)
{
    return folder.size() >= 2 && folder[1] == ':' && folder[0].isLetter() && folder[0].unicode() < 128;
}

QString DosDevices()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/gardlock/dosdevices";
}

} // namespace

std::vector<DriveEntry> ListDrives()
{
    std::vector<DriveEntry> drives{{QStringLiteral("c:"), QStringLiteral("C:\\")}};
    // A link names a drive even when its target is gone (a drive not ready).
    const QDir links(DosDevices());
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        if (letter == 'c')
            continue;
        const QString name = QString(QChar(letter)) + ':';
        if (QFileInfo(links.filePath(name)).isSymLink() || QFileInfo(links.filePath(name)).isDir())
            drives.push_back({name, QString(QChar(letter).toUpper()) + ":\\"});
    }
    std::sort(drives.begin(), drives.end(),
              [](const DriveEntry &a, const DriveEntry &b) { return a.name < b.name; });
    drives.push_back({QStringLiteral("home"), QDir::homePath()});
    drives.push_back({QStringLiteral("/"), QStringLiteral("/")});
    return drives;
}

QString DriveNameOf(const QString &folder, const std::vector<DriveEntry> &drives)
{
    QString best;
    qsizetype bestLength = -1;
    for (const DriveEntry &drive : drives) {
        const Qt::CaseSensitivity cs = HasDriveLetter(drive.root) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        const QChar separator = SeparatorOf(drive.root);
        const QString bare =
            drive.root.endsWith(separator) && drive.root.size() > 1 ? drive.root.chopped(1) : drive.root;
        const QString below = bare.endsWith(separator) ? bare : bare + separator;
        const bool inside = folder.compare(bare, cs) == 0 || folder.startsWith(below, cs);
        if (inside && drive.root.size() > bestLength) {
            best = drive.name;
            bestLength = drive.root.size();
        }
    }
    return best;
}

QString RealFolder(const QString &folder)
{
    return ResolvePath(folder);
}

bool FolderExists(const QString &folder)
{
    const QString real = RealFolder(folder);
    return !real.isEmpty() && QFileInfo(real).isDir();
}

QChar SeparatorOf(const QString &folder)
{
    return HasDriveLetter(folder) ? QChar('\\') : QChar('/');
}

QString RootOf(const QString &folder)
{
    return HasDriveLetter(folder) ? folder.left(2).toUpper() + "\\" : QStringLiteral("/");
}

QStringList FolderSteps(const QString &folder)
{
    const QString rest = HasDriveLetter(folder) ? folder.mid(2) : folder;
    return rest.split(SeparatorOf(folder), Qt::SkipEmptyParts);
}

QString ChildFolder(const QString &folder, const QString &name)
{
    const QChar separator = SeparatorOf(folder);
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

QStringList SubFolders(const QString &folder)
{
    const QString real = RealFolder(folder);
    if (real.isEmpty())
        return {};
    return QDir(real).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList MatchingFiles(const QString &folder, const QString &pattern)
{
    const QString real = RealFolder(folder);
    if (real.isEmpty())
        return {};
    QStringList masks;
    for (const QString &mask : pattern.split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = mask.trimmed();
        masks << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    if (masks.isEmpty())
        masks << QStringLiteral("*");
    QDir dir(real);
    dir.setNameFilters(masks);
    return dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

} // namespace platform
