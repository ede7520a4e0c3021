#include "lock/LockWindow.h"

#include "platform/funct.h"
#include "ui/ProgramIcon.h"

#include <QPainter>

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
    painter.drawPixmap(iconRect, ProgramIconPixmap(16));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    const QRect textRect = rect().adjusted(iconRect.right() + 4, 0, -2, 0);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(m_text.simplified(), Qt::ElideRight, textRect.width()));
}

QRect LayOutBox(QWidget *window, CaptionBar *caption, QSize client)
{
    window->setFixedSize(client.width() + 2 * kEdgeWidth, client.height() + kCaptionHeight + 2 * kEdgeWidth);
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

bool DesktopFollower::Changed()
{
    const unsigned long now = DesktopGeneration();
    if (m_seen == now)
        return false;
    m_seen = now;
    return true;
}

QRect PrimaryInsideDesktop()
{
    return PrimaryArea().translated(-DesktopArea().topLeft());
}

void CentreOnPrimary(QWidget *window)
{
    const QRect area = PrimaryArea();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}
