#include "platform/storage/DrivePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

QString DataRoot()
{
    // GenericDataLocation honours XDG_DATA_HOME and falls back to ~/.local/share.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/gardlock";
}

} // namespace

QString DriveCFolder()
{
    const QString folder = DataRoot() + "/drive_c";
    QDir().mkpath(folder);
    return folder;
}

QString ResolvePath(const QString &path)
{
    const bool hasDrive = path.size() >= 2 && path[1] == ':' && path[0].isLetter() && path[0].unicode() < 128;
    if (!hasDrive)
        return path;

    QString rest = path.mid(2);
    rest.replace('\\', '/');
    while (rest.startsWith('/'))
        rest.remove(0, 1);

    const QChar letter = path[0].toLower();
    // The Windows desktop folder is the user's real desktop.
    static const QString desktop = QStringLiteral("windows/desktop");
    if (letter == 'c' && (rest.compare(desktop, Qt::CaseInsensitive) == 0 ||
                          rest.startsWith(desktop + "/", Qt::CaseInsensitive))) {
        const QString real = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        return real + rest.mid(desktop.size());
    }
    QString root;
    if (letter == 'c') {
        root = DriveCFolder();
    } else {
        const QString link = DataRoot() + "/dosdevices/" + letter + ":";
        const QFileInfo info(link);
        if (!info.exists() || !info.isDir())
            return QString(); // drive not ready
        root = link;
    }
    return rest.isEmpty() ? root : root + "/" + rest;
}

} // namespace platform
