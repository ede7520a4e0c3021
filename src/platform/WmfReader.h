#pragma once
// A reader for Windows metafiles (WMF), drawn with QPainter.

#include <QImage>
#include <QString>

namespace platform {

// True when the file starts with the placeable-metafile key or a standard
// metafile header.
bool LooksLikeWmf(const QString &path);

// Plays the metafile's drawing records into an image; null on failure.
QImage RenderWmf(const QString &path);

} // namespace platform
