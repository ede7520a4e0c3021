#include "ui/Pictures.h"

#include "formats/WmfReader.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace {
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
    if (QFileInfo(file).size() > kMaxPictureFileBytes)
        return {};
    // One byte more than allowed tells a file that grew since, or one whose
    // size says nothing (a pipe, a device), from one that fits.
    const platform::ReadResult read = platform::ReadFileHead(file, kMaxPictureFileBytes + 1);
    if (read.status != platform::ReadStatus::Ok || read.bytes.size() > kMaxPictureFileBytes)
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
