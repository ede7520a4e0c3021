#include "lock/LockWindow.h"

#include "platform/desktop/ClassicFrame.h"
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
    platform::PaintCaptionStrip(painter, rect(), m_text, font(), ProgramIconPixmap(16));
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
    platform::PaintRaisedEdge(painter, window->rect());
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
