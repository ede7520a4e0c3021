#include "ui/KeyboardAccess.h"

#include "ui/NavigationBar.h"
#include "ui/WindowServices.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>

namespace ui {

namespace {

bool TabReaches(const QWidget *w)
{
    return w->focusPolicy() & Qt::TabFocus;
}

// Controls inside another control (a spin box's edit, a combo box's list)
// follow their owner, not the screen.
bool InsideControl(const QWidget *w, const QWidget *window)
{
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (p->focusPolicy() != Qt::NoFocus || p->focusProxy())
            return true;
    }
    return false;
}

QString Plain(QString caption)
{
    return caption.remove(QLatin1Char('&')).trimmed();
}

} // namespace

QList<QWidget *> ScreenOrder(QWidget *window)
{
    struct Placed {
        QWidget *widget;
        QRect area;
    };
    std::vector<Placed> placed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isWindow() || w->window() != window || !TabReaches(w) || InsideControl(w, window))
            continue;
        placed.push_back({w, QRect(w->mapTo(window, QPoint(0, 0)), w->size())});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed &a, const Placed &b) { return a.area.top() < b.area.top(); });
    QList<QWidget *> order;
    for (std::size_t i = 0; i < placed.size();) {
        // A row: every control that starts above the middle of the row's first one.
        const int middle = placed[i].area.center().y();
        std::size_t end = i + 1;
        while (end < placed.size() && placed[end].area.top() <= middle)
            ++end;
        std::stable_sort(placed.begin() + long(i), placed.begin() + long(end),
                         [](const Placed &a, const Placed &b) { return a.area.left() < b.area.left(); });
        for (; i < end; ++i)
            order.append(placed[i].widget);
    }
    return order;
}

void OrderTabsByScreenPosition(QWidget *window)
{
    // Multi-line boxes hold one text each: Tab moves on rather than typing a
    // tab, or a keyboard user could never leave them.
    for (QPlainTextEdit *box : window->findChildren<QPlainTextEdit *>())
        box->setTabChangesFocus(true);
    for (QTextEdit *box : window->findChildren<QTextEdit *>())
        box->setTabChangesFocus(true);
    const QList<QWidget *> order = ScreenOrder(window);
    if (order.size() < 2)
        return;
    // The first control of the old chain that took the focus by itself:
    // links were never in it, so a screen's first box or button stays first.
    QWidget *first = window->focusWidget();
    if (!first) {
        for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
            if (order.contains(w) && !qobject_cast<LinkLabel *>(w) && w->isEnabled() && !w->isHidden()) {
                first = w;
                break;
            }
        }
    }
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    if (first && !window->focusWidget())
        first->setFocus(Qt::OtherFocusReason);
}

namespace {

// How far a label may stand from its control: beside it, or over it.
constexpr int kBesideReach = 160;
constexpr int kAboveReach = 40;

QString NameOfLabel(const QLabel *label)
{
    QString text = Plain(label->text()).simplified();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

} // namespace

void NameControlsFromLabels(QWidget *window)
{
    const auto inWindow = [window](const QWidget *w) {
        return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    };
    QList<QLabel *> labels;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        const auto *link = qobject_cast<LinkLabel *>(label);
        if (label->window() == window && !(link && link->IsKeyboardReachable()) &&
            !NameOfLabel(label).isEmpty())
            labels.append(label);
    }
    const auto labelFor = [&](const QWidget *control) {
        const QRect c = inWindow(control);
        const QLabel *best = nullptr;
        int bestDistance = 0;
        for (const QLabel *label : labels) {
            const QRect l = inWindow(label);
            int distance = -1;
            if (l.right() <= c.left() + 4 && l.top() <= c.center().y() && l.bottom() >= c.center().y())
                distance = c.left() - l.right() <= kBesideReach ? c.left() - l.right() : -1;
            else if (l.bottom() <= c.top() + 4 && l.left() < c.right() && l.right() > c.left() - 20)
                distance = c.top() - l.bottom() <= kAboveReach ? c.top() - l.bottom() : -1;
            if (distance >= 0 && (!best || distance < bestDistance)) {
                best = label;
                bestDistance = distance;
            }
        }
        return best ? NameOfLabel(best) : QString();
    };
    for (QWidget *control : ScreenOrder(window)) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
        if (control->accessibleName().isEmpty() && a && a->text(QAccessible::Name).isEmpty())
            control->setAccessibleName(labelFor(control));
        // An editable combo box's edit is a control of its own to the reader;
        // the combo box itself may be named by its current entry.
        if (auto *combo = qobject_cast<QComboBox *>(control);
            combo && combo->lineEdit() && combo->lineEdit()->accessibleName().isEmpty()) {
            const QString name = labelFor(combo);
            combo->lineEdit()->setAccessibleName(name.isEmpty() ? combo->accessibleName() : name);
        }
    }
}

QWidget *EscapeControl(QWidget *window)
{
    // A page's "Cancel" goes to another page; Escape does not leave a page.
    if (window->findChild<NavigationBar *>())
        return nullptr;
    QWidget *ok = nullptr;
    bool hasCancel = false;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->window() != window)
            continue;
        const bool usable = w->isVisible() && w->isEnabled();
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            const QString caption = Plain(button->text());
            if (caption == QLatin1String("Cancel") || caption == QLatin1String("Close")) {
                if (usable)
                    return button;
                hasCancel = true;
            } else if (caption == QLatin1String("OK") && usable && !ok) {
                ok = button;
            }
        } else if (auto *link = qobject_cast<LinkLabel *>(w)) {
            if (link->IsKeyboardReachable() && link->SpokenName() == QLatin1String("Close")) {
                if (usable)
                    return link;
                hasCancel = true;
            }
        }
    }
    // A disabled "Cancel" means: not now. "OK" stands in only where there is none.
    return hasCancel ? nullptr : ok;
}

QPushButton *DefaultButton(QWidget *window)
{
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        if (button->window() == window && button->isDefault() && button->isVisibleTo(window) &&
            button->isEnabled())
            return button;
    }
    return nullptr;
}

namespace {

bool TakesText(const QWidget *w)
{
    if (auto *line = qobject_cast<const QLineEdit *>(w))
        return !line->isReadOnly();
    if (auto *edit = qobject_cast<const QTextEdit *>(w))
        return !edit->isReadOnly();
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(w))
        return !plain->isReadOnly();
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->isEditable();
    return qobject_cast<const QAbstractSpinBox *>(w) != nullptr;
}

} // namespace

void PlaceOpeningFocus(QWidget *window)
{
    QPushButton *button = DefaultButton(window);
    if (!button)
        return;
    for (QWidget *w : ScreenOrder(window)) {
        if (TakesText(w) && w->isVisibleTo(window) && w->isEnabled())
            return;
    }
    button->setFocus(Qt::OtherFocusReason);
}

bool PressFocusedButton(QWidget *window)
{
    auto *button = qobject_cast<QPushButton *>(window->focusWidget());
    if (!button || button->window() != window || !button->isVisible() || !button->isEnabled())
        return false;
    button->click();
    return true;
}

namespace {

class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(LinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) {}

    LinkLabel *link() const { return static_cast<LinkLabel *>(widget()); }

    QAccessible::Role role() const override
    {
        if (link()->IsKeyboardReachable())
            return QAccessible::Link;
        return link()->pixmap().isNull() ? QAccessible::StaticText : QAccessible::Graphic;
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return link()->SpokenName();
        case QAccessible::Description:
            return link()->toolTip() == link()->SpokenName() ? QString() : link()->toolTip();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (link()->IsKeyboardReachable() && link()->isEnabled())
            names.prepend(QAccessibleActionInterface::pressAction());
        return names;
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == QAccessibleActionInterface::pressAction() && link()->IsKeyboardReachable() &&
            link()->isEnabled()) {
            link()->Activate();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface *LinkFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LinkLabel") && object && object->isWidgetType())
        return new LinkAccessible(static_cast<LinkLabel *>(object));
    return nullptr;
}

} // namespace

void InstallLinkAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(LinkFactory);
        return true;
    }();
    (void)installed;
}

} // namespace ui
