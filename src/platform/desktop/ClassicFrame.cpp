#include "platform/desktop/ClassicFrame.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace platform {

namespace {

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

constexpr int kIconSize = 16;

} // namespace

int CaptionStripHeight(const QFont &font)
{
    // 18 pixels at the classic sizes; taller type gets a taller strip.
    return std::max(18, QFontMetrics(Bold(font)).height() + 4);
}

void PaintCaptionStrip(QPainter &painter, const QRect &area, const QString &caption, const QFont &font,
                       const QPixmap &icon)
{
    painter.save();
    painter.fillRect(area, QColor(0, 0, 128));
    int left = area.left() + 3;
    if (!icon.isNull()) {
        painter.drawPixmap(QRect(area.left() + 2, area.top() + (area.height() - kIconSize) / 2, kIconSize, kIconSize),
                           icon);
        left = area.left() + 2 + kIconSize + 4;
    }
    const QFont bold = Bold(font);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    const QRect text(left, area.top(), area.right() - 2 - left, area.height());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     QFontMetrics(bold).elidedText(caption.simplified(), Qt::ElideRight, text.width()));
    painter.restore();
}

void PaintRaisedEdge(QPainter &painter, const QRect &r)
{
    painter.save();
    // Light outer top-left, dark outer bottom-right, then the inner pair.
    painter.setPen(QColor(192, 192, 192));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(Qt::black);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    const QRect inner = r.adjusted(1, 1, -1, -1);
    painter.setPen(Qt::white);
    painter.drawLine(inner.topLeft(), inner.topRight());
    painter.drawLine(inner.topLeft(), inner.bottomLeft());
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(inner.bottomLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomRight());
    painter.restore();
}

} // namespace platform
