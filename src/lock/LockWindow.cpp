#include "lock/LockWindow.h"

#include <QPainter>

QPixmap LockIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(11, 26, 74), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(4, 1.5, 8, 9), 0, 180 * 16);
    painter.drawLine(QPointF(4, 6), QPointF(4, 8));
    painter.drawLine(QPointF(12, 6), QPointF(12, 8));
    painter.setPen(QPen(QColor(11, 26, 74), 1));
    painter.setBrush(QColor(31, 58, 147));
    painter.drawRoundedRect(QRectF(2.5, 7.5, 11, 8), 1, 1);
    painter.setBrush(QColor(245, 197, 24));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(6.5, 9.5, 3, 3));
    painter.drawRect(QRectF(7.25, 11, 1.5, 3));
    return pixmap;
}

CaptionBar::CaptionBar(QWidget *parent) : QWidget(parent) {}

void CaptionBar::SetText(const QString &text)
{
    m_text = text;
    update();
}

void CaptionBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 128));
    const int iconSize = 16;
    const QRect iconRect(2, (height() - iconSize) / 2, iconSize, iconSize);
    painter.drawPixmap(iconRect, LockIcon());
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    const QRect textRect = rect().adjusted(iconRect.right() + 4, 0, -2, 0);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(m_text.simplified(), Qt::ElideRight,
                                                      textRect.width()));
}

QRect LayOutBox(QWidget *window, CaptionBar *caption, QSize client)
{
    window->setFixedSize(client.width() + 2 * kEdgeWidth,
                         client.height() + kCaptionHeight + 2 * kEdgeWidth);
    caption->setGeometry(kEdgeWidth, kEdgeWidth, client.width(), kCaptionHeight);
    return QRect(QPoint(kEdgeWidth, kEdgeWidth + kCaptionHeight), client);
}

void PaintWindowEdge(QWidget *window)
{
    QPainter painter(window);
    const QRect r = window->rect();
    // The raised edge: light outer top-left, dark outer bottom-right, then the inner pair.
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
}
