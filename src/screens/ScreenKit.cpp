#include "screens/ScreenKit.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace screens {

QFont Verdana(double points, bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon drawn;
        for (const int size : {16, 22, 24, 32, 48, 64}) {
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
            drawn.addPixmap(pixmap);
        }
        return drawn;
    }();
    return icon;
}

QLabel *Caption(const QString &text, QWidget *parent, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

LinkLabel *LinkIcon(QWidget *parent, int standardPixmap)
{
    auto *icon = new LinkLabel(QString(), parent);
    const auto pixmap = static_cast<QStyle::StandardPixmap>(standardPixmap);
    icon->setPixmap(QApplication::style()->standardIcon(pixmap).pixmap(16, 16));
    icon->setFixedSize(18, 18);
    icon->setCursor(Qt::ArrowCursor);
    return icon;
}

LinkLabel *InformationIcon(QWidget *parent)
{
    auto *icon = new LinkLabel(QString(), parent);
    icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setFixedSize(34, 34);
    icon->setToolTip(QStringLiteral("Information"));
    icon->setCursor(Qt::ArrowCursor);
    return icon;
}

LinkLabel *Link(const QString &text, QWidget *parent, const QColor &colour)
{
    auto *link = new LinkLabel(text, parent);
    link->setCursor(Qt::PointingHandCursor);
    link->SetColour(colour);
    return link;
}

void KeepMouseMovesLocal(QWidget *window)
{
    window->setMouseTracking(true);
    for (QWidget *child : window->findChildren<QWidget *>())
        child->setAttribute(Qt::WA_NoMousePropagation);
}

Qt::WindowFlags CaptionOnlyWindow()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

Qt::WindowFlags PageWindow()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}

} // namespace screens

HoverButton::HoverButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    setMouseTracking(true);
}

void HoverButton::mouseMoveEvent(QMouseEvent *event)
{
    QPushButton::mouseMoveEvent(event);
    event->accept();
    Q_EMIT mouseMoved();
}
