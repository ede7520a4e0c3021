#include "support/PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include <vector>

namespace testing_support {

namespace {

quint32 Crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray Chunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += type + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(Crc32(type + data), crc.data());
    return chunk + crc;
}

} // namespace

QByteArray SolidPicture(int width, int height, QColor colour, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

QByteArray PngDeclaring(quint32 width, quint32 height)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 2; // colour type: RGB
    // A deflate stream of a few zero bytes: far too little for the picture.
    const QByteArray idat = QByteArray::fromHex("789c636000000000010001");
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", idat) +
           Chunk("IEND", {});
}

QByteArray BmpHead(quint32 width, quint32 height)
{
    const auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian<quint32>(v, b.data());
        return b;
    };
    const auto le16 = [](quint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian<quint16>(v, b.data());
        return b;
    };
    const quint32 pixels = quint32(BmpFileSize(width, height) - 54);
    return "BM" + le32(quint32(BmpFileSize(width, height))) + le32(0) + le32(54) + // file header
           le32(40) + le32(width) + le32(height) + le16(1) + le16(24) + le32(0) + le32(pixels) + le32(2835) +
           le32(2835) + le32(0) + le32(0);
}

qint64 BmpFileSize(quint32 width, quint32 height)
{
    const qint64 row = (qint64(width) * 3 + 3) / 4 * 4;
    return 54 + row * height;
}

QByteArray TinyGif()
{
    return QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");
}

void WriteSparse(const QString &path, const QByteArray &head, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(head) != head.size() ||
        !file.resize(size))
        qFatal("cannot write %s", qPrintable(path));
}

std::vector<BadPicture> BadPictures()
{
    // Noise, so that the scan is most of the file and the cut falls inside it.
    QImage noise(200, 150, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.setPixel(x, y, seed >> 8);
        }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    noise.save(&buffer, "JPG", 90);
    QByteArray wmf = QByteArray::fromHex("d7cdc69a"
                                         "0000"
                                         "0000000010001000"
                                         "6004"
                                         "00000000"
                                         "0000");
    wmf += QByteArray::fromHex("010009000003ffff0000ffffffffffff0000");
    for (int i = 0; i < 64; ++i)
        wmf += QByteArray::fromHex("ffff7fff4141414141414141");
    return {
        {"truncated.jpg", jpeg.left(jpeg.size() * 3 / 4)},
        {"empty.bmp", {}},
        {"notes.jpg", "These are my notes, not a picture.\r\n"},
        {"huge.png", PngDeclaring(30000, 30000)},
        {"nonsense.wmf", wmf},
        {"cut.gif", QByteArray("GIF89a\x40\x00\x40\x00\xf7\x00\x00", 13)},
    };
}

} // namespace testing_support
