#pragma once
// A reader for Windows metafiles (WMF), drawn with QPainter.

#include <QByteArray>
#include <QImage>

class QPaintDevice;

namespace formats {

// True when the bytes start with the placeable-metafile key or a standard
// metafile header.
bool LooksLikeWmf(const QByteArray &head);

// Plays the metafile's drawing records into an image; null on failure: a
// damaged file, or one asking more drawing than any picture needs (its work
// is bounded, so a crafted file cannot keep the caller painting).
QImage RenderWmf(const QByteArray &bytes);

// Plays the same records over the whole of any paint device, as RenderWmf
// does into its image; false when RenderWmf would refuse the file.
bool PaintWmf(const QByteArray &bytes, QPaintDevice &device);

} // namespace formats
