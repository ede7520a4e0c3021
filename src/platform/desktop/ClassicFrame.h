#pragma once
// The frame the classic shell drew around a window, for the windows that
// bypass the window manager and so get no frame from it (the lock's boxes
// and their message boxes): a raised edge and a title strip, dark blue
// with the caption in white bold type.

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

namespace platform {

// The edge's width and the strip's height for captions in the given font.
inline constexpr int kFrameEdgeWidth = 2;
int CaptionStripHeight(const QFont &font);

// Draws the title strip over area: the icon (when given) at its left, then
// the caption, shortened with "..." when it is longer than the strip.
void PaintCaptionStrip(QPainter &painter, const QRect &area, const QString &caption, const QFont &font,
                       const QPixmap &icon = {});

// Draws the raised edge just inside rect.
void PaintRaisedEdge(QPainter &painter, const QRect &rect);

} // namespace platform
