#include "ui/ClockLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>

namespace {

// How a plain label aligns its text.
constexpr int kLabelAlignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs;

// Assistive tools read the clock as the static text it is.
class ClockText : public QAccessibleWidget {
public:
    explicit ClockText(ClockLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<ClockLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *ClockFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("ClockLabel") || !object || !object->isWidgetType())
        return nullptr;
    return new ClockText(static_cast<ClockLabel *>(object));
}

} // namespace

ClockLabel::ClockLabel(const QString &text, QWidget *parent) : QWidget(parent), m_text(text)
{
    static const bool installed = [] {
        QAccessible::installFactory(ClockFactory);
        return true;
    }();
    (void)installed;
    FollowFont();
}

QRect ClockLabel::SetTextUnpainted(const QString &text)
{
    if (text == m_text)
        return {};
    std::optional<Cells> cells = LayOut(text);
    QRect changed;
    if (!cells || !m_cells) {
        changed = rect();
    } else {
        // A cell that holds the same character at the same place is left
        // as it is; the others are painted again, old glyph and new.
        const std::size_t count = std::max(cells->size(), m_cells->size());
        for (std::size_t i = 0; i < count; ++i) {
            const Cell *before = i < m_cells->size() ? &(*m_cells)[i] : nullptr;
            const Cell *after = i < cells->size() ? &(*cells)[i] : nullptr;
            if (before && after && before->character == after->character && before->x == after->x)
                continue;
            if (before)
                changed |= before->area;
            if (after)
                changed |= after->area;
        }
    }
    m_text = text;
    m_cells = std::move(cells);
    // Even with no assistive tool listening, the event would look up (and
    // make) the label's interface.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    return changed & rect();
}

void ClockLabel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (!m_cells) {
        // A label takes the direction, and so which side is left, from the
        // text's first letter that has one.
        const bool rightToLeft = m_text.isRightToLeft();
        const int direction = rightToLeft ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
        const int alignment = int(QStyle::visualAlignment(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight,
                                                          Qt::Alignment(kLabelAlignment)));
        style()->drawItemText(&painter, rect(), alignment | direction, palette(), isEnabled(), m_text,
                              foregroundRole());
        return;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    QList<quint32> indexes;
    QList<QPointF> positions;
    for (const Cell &cell : *m_cells) {
        if (!event->rect().intersects(cell.area))
            continue;
        indexes.append(cell.glyph);
        positions.append(QPointF(cell.x, 0));
    }
    if (indexes.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(m_font);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, m_baseline), run);
}

void ClockLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceText();
}

void ClockLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FollowFont();
        update();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) {
        update();
    }
}

// The glyphs of the font the label draws with.
void ClockLabel::FollowFont()
{
    m_font = QRawFont::fromFont(font());
    m_glyphs.fill(std::nullopt);
    PlaceText();
}

// The baseline where a label puts it in its height, and the text's cells along it.
void ClockLabel::PlaceText()
{
    const QFontMetricsF metrics(font());
    const qreal top = qCeil(metrics.leading());
    const qreal lineHeight = top + metrics.ascent() + metrics.descent();
    m_baseline = (height() - lineHeight) / 2 + top + metrics.ascent();
    m_cells = LayOut(m_text);
}

const ClockLabel::Glyph *ClockLabel::GlyphOf(char16_t character)
{
    if (character >= m_glyphs.size())
        return nullptr;
    std::optional<Glyph> &glyph = m_glyphs[character];
    if (!glyph) {
        const QList<quint32> indexes = m_font.glyphIndexesForString(QString(QChar(character)));
        Glyph found;
        if (indexes.size() == 1 && indexes[0] != 0) {
            found.index = indexes[0];
            const QList<QPointF> advances = m_font.advancesForGlyphIndexes(indexes);
            found.advance = advances.value(0).x();
            found.ink = m_font.boundingRect(found.index);
        }
        glyph = found;
    }
    return glyph->index == 0 ? nullptr : &*glyph;
}

std::optional<ClockLabel::Cells> ClockLabel::LayOut(const QString &text)
{
    if (!m_font.isValid())
        return std::nullopt;
    Cells cells;
    cells.reserve(text.size());
    qreal x = 0;
    for (const QChar character : text) {
        const Glyph *glyph = GlyphOf(character.unicode());
        if (!glyph || character == QLatin1Char('\t'))
            return std::nullopt;
        // Antialiasing reaches a pixel past the outline.
        const QRectF ink = glyph->ink.translated(x, m_baseline) | QRectF(x, 0, glyph->advance, height());
        cells.push_back({character.unicode(), glyph->index, x, ink.toAlignedRect().adjusted(-1, -1, 1, 1)});
        x += glyph->advance;
    }
    return cells;
}
