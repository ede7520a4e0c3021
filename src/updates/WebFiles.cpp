#include "updates/WebFiles.h"

#include "platform/storage/Settings.h"
#include "ui/MakerContacts.h"

#include <algorithm>

namespace web {

bool IsNewerVersion(const QByteArray &published, const QByteArray &own)
{
    // Bytes compare as the characters they stand for: ours are ASCII, and every
    // byte above 127 stands for a character above ASCII in Windows-1252.
    const auto byCode = [](char a, char b) {
        return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
    };
    return std::lexicographical_compare(own.begin(), own.end(), published.begin(), published.end(), byCode);
}

qint64 VersionBytesNeeded(const QByteArray &own)
{
    return own.size() + 1;
}

QString DownloadUrl(const QString &fileName)
{
    QString folder = settings::Read(settings::DownloadFolder).trimmed();
    if (folder.isEmpty())
        folder = maker::kDownloadFolder;
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + fileName;
}

} // namespace web
