#pragma once
// Picture files as the picture controls load them: BMP, DIB, GIF, JPEG, ICO
// and Windows metafiles. The path may be stored Windows-style ("C:\sky.bmp")
// or be a POSIX path.

#include <QImage>
#include <QSize>
#include <QString>

// Pictures that declare more pixels than this are refused unread.
inline constexpr qint64 kMaxPicturePixels = 100'000'000;
// Files larger than this are refused by their size, unread: far beyond any
// background picture, and decoding only their head would show a torn picture.
inline constexpr qint64 kMaxPictureFileBytes = 64LL << 20;

// Loads any of the supported picture formats; a null image on failure (no
// such file, unreadable, not a picture, damaged or cut short, too large).
// With a valid fitWithin, a larger picture is decoded at most that size,
// keeping its proportions, so a photograph costs what its preview shows.
QImage ReadPictureFile(const QString &path, QSize fitWithin = QSize());

// Whether JPEG bytes end their last scan with the end-of-image marker; the
// decoder silently pads a file that was cut short.
bool JpegIsComplete(const QByteArray &bytes);
