#include "ui/Pictures.h"

#include "formats/WmfReader.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace {
// Far beyond any background picture; it only bounds a runaway read.
constexpr qint64 kMaxPictureFile = 64LL << 20;

QImage Fitted(const QImage &image, QSize fitWithin)
{
    if (image.isNull() || !fitWithin.isValid() ||
        (image.width() <= fitWithin.width() && image.height() <= fitWithin.height()))
        return image;
    return image.scaled(fitWithin, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
} // namespace

bool JpegIsComplete(const QByteArray &bytes)
{
    // Entropy-coded data never holds a marker byte pair, so the last
    // start-of-scan marker is the last scan's; the end marker must follow it.
    const qsizetype lastScan = bytes.lastIndexOf(QByteArrayLiteral("\xFF\xDA"));
    return lastScan >= 0 && bytes.indexOf(QByteArrayLiteral("\xFF\xD9"), lastScan) > lastScan;
}

QImage ReadPictureFile(const QString &path, QSize fitWithin)
{
    if (path.isEmpty())
        return {};
    const QString file = platform::ResolvePath(path);
    if (file.isEmpty())
        return {}; // its drive is not ready
    const platform::ReadResult read = platform::ReadFileHead(file, kMaxPictureFile);
    if (read.status != platform::ReadStatus::Ok)
        return {};
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == "wmf" || formats::LooksLikeWmf(read.bytes))
        return Fitted(formats::RenderWmf(read.bytes), fitWithin);
    QBuffer buffer;
    buffer.setData(read.bytes);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (suffix == "dib")
        reader.setFormat("bmp");
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > kMaxPicturePixels)
        return {};
    if (reader.format() == "jpeg" && !JpegIsComplete(read.bytes))
        return {};
    if (fitWithin.isValid() && declared.isValid() &&
        (declared.width() > fitWithin.width() || declared.height() > fitWithin.height()))
        reader.setScaledSize(declared.scaled(fitWithin, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    return Fitted(reader.read(), fitWithin);
}
