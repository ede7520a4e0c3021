#include "ui/ReadOnlyAccessible.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace {

constexpr char kReadOnlyProperty[] = "gardlockReadOnlyAccessible";

class ReadOnlyPasswordText : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyPasswordText(QLineEdit *box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        // Text only: no EditableTextInterface, and setText() does nothing.
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.passwordEdit = true;
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Masked();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text, const QString &) override {}

    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return Box()->cursorPosition(); }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return Masked().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(Masked().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QLineEdit *Box() const { return static_cast<QLineEdit *>(widget()); }
    // What the screen shows: one mask character a typed one.
    QString Masked() const { return Box()->displayText(); }
};

QAccessibleInterface *ReadOnlyFactory(const QString &className, QObject *object)
{
    // Asked for each class of the object's, most derived first, before Qt's
    // own text box under its base class.
    if (!object || !object->property(kReadOnlyProperty).toBool() || !object->isWidgetType())
        return nullptr;
    auto *box = qobject_cast<QLineEdit *>(object);
    if (!box || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    return new ReadOnlyPasswordText(box);
}

} // namespace

void ReadOnlyForAssistiveTools(QLineEdit *box)
{
    static const bool installed = [] {
        QAccessible::installFactory(ReadOnlyFactory);
        return true;
    }();
    (void)installed;
    box->setProperty(kReadOnlyProperty, true);
    // Qt made its own interface while the box was built; the next query
    // makes this one.
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(box);
        made && made->editableTextInterface())
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
