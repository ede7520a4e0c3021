#pragma once
// Small pieces the program's screens share: fonts, colours, the information
// icon, buttons with a mouse-move event, and the rule that a mouse move over a
// control belongs to that control, not to the window behind it.

#include "ui/Form.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"
#include "ui/WindowServices.h"

#include <QIcon>
#include <QPushButton>

class QWidget;

namespace ui {

QFont Verdana(double points, bool bold = false);

// The colours the screens name.
inline const QColor kBlack(0, 0, 0);
inline const QColor kBlue(0, 0, 255);
inline const QColor kNavy(0, 0, 128);
inline const QColor kDarkGrey(64, 64, 64);
inline const QColor kOrange(192, 64, 0);
inline const QColor kDarkRed(192, 0, 0);
inline const QColor kLightGrey(192, 192, 192);
inline const QColor kLighterGrey(224, 224, 224);

// A label drawn in one colour and font, with no behaviour.
QLabel *Caption(const QString &text, QWidget *parent, const QFont &font, const QColor &colour = kBlack);

// The clickable information icon; it keeps the normal arrow pointer.
LinkLabel *InformationIcon(QWidget *parent);

// A small picture beside a link; clickable, with the normal arrow pointer;
// the keyboard uses the link instead.
LinkLabel *LinkIcon(QWidget *parent, int standardPixmap);

// A link: hand pointer, given colour.
LinkLabel *Link(const QString &text, QWidget *parent, const QColor &colour = kBlack);

// Mouse moves over any control of the window stay with that control, so the
// window's own background-move event means the pointer is really over the
// background. Call once the window's controls are built.
void KeepMouseMovesLocal(QWidget *window);

// Fixed-size window with a caption and no close, minimise or maximise buttons.
Qt::WindowFlags CaptionOnlyWindow();
// Fixed-size page: caption, minimise and close, but nothing to maximise.
Qt::WindowFlags PageWindow();

} // namespace ui

// A command button with a mouse-move event, for hover help.
class HoverButton : public QPushButton {
    Q_OBJECT
public:
    explicit HoverButton(const QString &caption, QWidget *parent = nullptr);

Q_SIGNALS:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
