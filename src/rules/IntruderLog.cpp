#include "rules/IntruderLog.h"

#include "formats/Cp1252.h"
#include "rules/GeneralDate.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QString IntruderLogPath()
{
    return platform::ResolvePath("C:\\intruder.log");
}

QByteArray IntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment)
{
    const QString text = heading + "\r\n" + typed + " On " + GeneralDate(moment) + ".\r\n\r\n";
    return formats::ToCp1252(text);
}

bool AppendIntruderRecord(const QString &heading, const QString &typed)
{
    return AppendIntruderRecord(heading, typed, QDateTime::currentDateTime());
}

bool AppendIntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment)
{
    return platform::AppendWhole(IntruderLogPath(), IntruderRecord(heading, typed, moment));
}

bool IntruderLogAppendable()
{
    // Asked without touching the log: a missing one is made by the record.
    const QByteArray path = QFile::encodeName(IntruderLogPath());
    if (::access(path.constData(), F_OK) == 0)
        return ::access(path.constData(), W_OK) == 0;
    const QByteArray folder = QFile::encodeName(QFileInfo(IntruderLogPath()).absolutePath());
    return ::access(folder.constData(), W_OK | X_OK) == 0;
}
