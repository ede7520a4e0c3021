#include "ui/ScreenKit.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace ui {

QFont Verdana(double points, bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
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
    // The link beside it does the same for the keyboard.
    icon->SetKeyboardReachable(false);
    return icon;
}

LinkLabel *InformationIcon(QWidget *parent)
{
    auto *icon = new LinkLabel(QString(), parent);
    icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setFixedSize(34, 34);
    icon->setToolTip(QStringLiteral("Information"));
    icon->setAccessibleName(QStringLiteral("Information"));
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

} // namespace ui

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
