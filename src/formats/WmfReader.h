#pragma once
// A reader for Windows metafiles (WMF), drawn with QPainter.

#include <QByteArray>
#include <QImage>

namespace formats {

// True when the bytes start with the placeable-metafile key or a standard
// metafile header.
bool LooksLikeWmf(const QByteArray &head);

// Plays the metafile's drawing records into an image; null on failure.
QImage RenderWmf(const QByteArray &bytes);

} // namespace formats
