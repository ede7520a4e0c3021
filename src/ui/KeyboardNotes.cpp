#include "ui/KeyboardNotes.h"

#include "platform/KeyboardState.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

namespace {

constexpr int kGap = 6;
constexpr int kPadding = 3;

// The layout note: a click selects the next layout.
class LayoutLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return QLabel::mousePressEvent(event);
        if (platform::KeyboardState *keyboard = platform::keyboardState())
            keyboard->SelectNextLayout();
        event->accept();
    }
};

void SetUp(QLabel *note, const QFont &font)
{
    note->setFont(font);
    note->setTextFormat(Qt::PlainText);
    note->setAlignment(Qt::AlignCenter);
    // Notes only: the Tab order stays the prompt's own.
    note->setFocusPolicy(Qt::NoFocus);
    note->hide();
}

void SetText(QLabel *note, const QString &text)
{
    note->setText(text);
    note->setAccessibleName(text);
    note->resize(QFontMetrics(note->font()).horizontalAdvance(text) + 2 * kPadding, note->height());
}

} // namespace

KeyboardNotes::KeyboardNotes(QWidget *parent, const QFont &font)
    : QObject(parent), m_layout(new LayoutLabel(parent)), m_capsLock(new QLabel(parent))
{
    m_layout->setObjectName("lblKeyboardLayout");
    m_capsLock->setObjectName("lblCapsLock");
    SetUp(m_layout, font);
    SetUp(m_capsLock, font);
    m_layout->setCursor(Qt::PointingHandCursor);
    for (QLabel *note : {m_layout, m_capsLock})
        note->resize(note->width(), LineHeight());
    SetText(m_capsLock, QStringLiteral("Caps Lock is on"));
    if (platform::KeyboardState *keyboard = platform::keyboardState())
        connect(keyboard, &platform::KeyboardState::Changed, this, [this] { Update(); });
    Update();
}

int KeyboardNotes::LineHeight() const
{
    return QFontMetrics(m_layout->font()).height() + 2;
}

void KeyboardNotes::Place(QPoint topLeft)
{
    m_layout->move(topLeft);
    Update();
}

void KeyboardNotes::SetColours(const QString &text, const QString &background)
{
    const QString sheet = QStringLiteral("color: %1; background: %2;").arg(text, background);
    m_layout->setStyleSheet(sheet);
    m_capsLock->setStyleSheet(sheet);
}

void KeyboardNotes::SetShown(bool shown)
{
    m_shown = shown;
    Update();
}

void KeyboardNotes::Update()
{
    platform::KeyboardState *keyboard = platform::keyboardState();
    const std::optional<platform::KeyboardLayout> layout =
        keyboard ? keyboard->Current() : std::optional<platform::KeyboardLayout>();
    const bool named = layout && !layout->shortName.isEmpty();
    if (named) {
        SetText(m_layout, layout->shortName);
        m_layout->setAccessibleDescription(layout->fullName);
    }
    m_layout->setVisible(m_shown && named);
    // Beside the layout note, or in its place when there is none.
    m_capsLock->move(named ? m_layout->geometry().right() + 1 + kGap : m_layout->x(), m_layout->y());
    m_capsLock->setVisible(m_shown && layout && layout->capsLock);
}
