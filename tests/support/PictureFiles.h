#pragma once
// Picture files for tests: good ones of a known colour, and the damaged kinds
// a user's folders hold.

#include <QByteArray>
#include <QColor>
#include <QString>

namespace testing_support {

// The bytes of a picture of one colour in a Qt-written format ("BMP", "PNG", "JPG").
QByteArray SolidPicture(int width, int height, QColor colour, const char *format);

// A PNG that declares width x height pixels but holds almost nothing.
QByteArray PngDeclaring(quint32 width, quint32 height);

// The headers of a 24-bit BMP of width x height; zeros up to
// BmpFileSize(width, height) make it a whole black picture.
QByteArray BmpHead(quint32 width, quint32 height);
qint64 BmpFileSize(quint32 width, quint32 height);

// A GIF of one transparent pixel.
QByteArray TinyGif();

// Writes head, then zeros up to size bytes without writing them: a sparse
// file, so that a picture past the size limit costs the test nothing.
void WriteSparse(const QString &path, const QByteArray &head, qint64 size);

struct BadPicture {
    const char *name; // the file name, whose suffix matters
    QByteArray bytes;
};
// A truncated JPEG, a 0-byte BMP, a text file named ".jpg", a PNG that
// declares 30,000 x 30,000 pixels, a WMF with nonsense records, a GIF cut
// after its header.
std::vector<BadPicture> BadPictures();

} // namespace testing_support
