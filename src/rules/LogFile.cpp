#include "rules/LogFile.h"

#include "formats/Cp1252.h"
#include "rules/IntruderLog.h"
#include "platform/storage/FileIO.h"

#include <QFile>
#include <QFileInfo>

namespace log_file {

std::optional<QByteArray> ReadLogBytes()
{
    const QString path = IntruderLogPath();
    const QFileInfo info(path);
    if (info.isFile() && info.size() > kMaxLogBytes) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(info.size() - kMaxLogBytes))
            return std::nullopt;
        QByteArray tail = file.read(kMaxLogBytes);
        const qsizetype lineStart = tail.indexOf('\n');
        if (lineStart >= 0)
            tail.remove(0, lineStart + 1);
        return tail;
    }
    platform::ReadResult read = platform::ReadFileHead(path, kMaxLogBytes);
    if (read.status != platform::ReadStatus::Ok)
        return std::nullopt;
    return std::move(read.bytes);
}

std::optional<QString> ReadLogText()
{
    const std::optional<QByteArray> bytes = ReadLogBytes();
    if (!bytes)
        return std::nullopt;
    return formats::FromCp1252(*bytes);
}

} // namespace log_file
