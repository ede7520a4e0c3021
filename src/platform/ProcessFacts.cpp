#include "platform/ProcessFacts.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace app {

namespace {
QString g_pathOverride;
QString g_title = QStringLiteral("Gardlock 2001");
} // namespace

QString Path()
{
    if (!g_pathOverride.isEmpty())
        return g_pathOverride;
    return QCoreApplication::applicationDirPath();
}

void SetPathForTesting(const QString &folder)
{
    g_pathOverride = folder;
}

QString ExeName()
{
    const QString file = QCoreApplication::applicationFilePath();
    if (file.isEmpty())
        return QStringLiteral("gardlock");
    QString name = QFileInfo(file).fileName();
    if (name.endsWith(QLatin1String("-ui")))
        name.chop(3);
    return name;
}

QString VersionText()
{
    return QString::number(kMajor) + "." + QString::number(kMinor);
}
QString Title()
{
    return g_title;
}
void SetTitle(const QString &title)
{
    g_title = title;
}

} // namespace app
