#include "ui/Pictures.h"

#include "formats/WmfReader.h"
#include "platform/storage/FileIO.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace {
// Far beyond any background picture; it only bounds a runaway read.
constexpr qint64 kMaxPictureFile = 64LL << 20;
} // namespace

QImage ReadPictureFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    const platform::ReadResult file = platform::ReadFileHead(path, kMaxPictureFile);
    if (file.status != platform::ReadStatus::Ok)
        return {};
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "wmf" || formats::LooksLikeWmf(file.bytes))
        return formats::RenderWmf(file.bytes);
    QBuffer buffer;
    buffer.setData(file.bytes);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (suffix == "dib")
        reader.setFormat("bmp");
    return reader.read();
}
