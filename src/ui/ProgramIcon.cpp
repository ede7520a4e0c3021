#include "ui/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap ProgramIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(11, 26, 74), 3));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(10, 15);
    shackle.lineTo(10, 10);
    shackle.arcTo(10, 4, 12, 12, 180, -180);
    shackle.lineTo(22, 15);
    p.drawPath(shackle);
    p.setPen(QPen(QColor(11, 26, 74), 1));
    p.setBrush(QColor(31, 58, 147));
    p.drawRoundedRect(QRectF(5, 14, 22, 16), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 197, 24));
    p.drawEllipse(QPointF(16, 21), 2.5, 2.5);
    p.drawRect(QRectF(15, 22, 2, 5));
    p.end();
    return pixmap;
}

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon drawn;
        for (const int size : {16, 22, 24, 32, 48, 64})
            drawn.addPixmap(ProgramIconPixmap(size));
        return drawn;
    }();
    return icon;
}
