#include "ui/ClockLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBackingStore>
#include <QEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QStyle>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// A part of a label or window, in the pixels of an image of that scale.
QRectF InDevicePixels(const QRect &part, qreal ratio)
{
    return QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio);
}

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
    QRect changed;
    // The characters the old text begins with keep their cells.
    std::size_t same = 0;
    if (m_cells) {
        const std::size_t common = std::min(m_cells->size(), std::size_t(text.size()));
        while (same < common && (*m_cells)[same].character == text[same].unicode())
            ++same;
    }
    Cells &cells = m_spareCells;
    cells.clear();
    if (m_cells)
        cells.insert(cells.end(), m_cells->begin(), m_cells->begin() + same);
    const bool laidOut = LayOutFrom(text, cells);
    if (!laidOut || !m_cells) {
        changed = rect();
    } else {
        // A cell that holds the same character at the same place is left
        // as it is; the others are painted again, old glyph and new.
        const std::size_t count = std::max(cells.size(), m_cells->size());
        for (std::size_t i = same; i < count; ++i) {
            const Cell *before = i < m_cells->size() ? &(*m_cells)[i] : nullptr;
            const Cell *after = i < cells.size() ? &cells[i] : nullptr;
            if (before && after && before->character == after->character && before->x == after->x)
                continue;
            if (before)
                changed |= before->area;
            if (after)
                changed |= after->area;
        }
    }
    m_text = text;
    if (!laidOut)
        m_cells.reset();
    else if (m_cells)
        std::swap(*m_cells, cells);
    else
        m_cells = cells;
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
    KeepWhatIsUnder(painter, event->region());
    DrawText(painter, event->region());
}

void ClockLabel::DrawText(QPainter &painter, const QRegion &area)
{
    painter.setFont(font());
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
        if (!area.intersects(cell.area))
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

// Painted into its window's pixels, the label first keeps what it is about
// to cover. A grab, or a label inside another widget, paints elsewhere and
// keeps nothing.
void ClockLabel::KeepWhatIsUnder(QPainter &painter, const QRegion &area)
{
    QWidget *parent = parentWidget();
    QBackingStore *store = parent && parent->isWindow() ? parent->backingStore() : nullptr;
    QPaintDevice *target = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    if (!store || !target || target != store->paintDevice() || target->devType() != QInternal::Image)
        return;
    const QImage &pixels = *static_cast<const QImage *>(target);
    const qreal ratio = pixels.devicePixelRatio();
    if (ratio != std::floor(ratio)) {
        m_underKept = {};
        return;
    }
    const QSize deviceSize = size() * ratio;
    if (m_under.size() != deviceSize || m_under.format() != pixels.format()) {
        m_under = QImage(deviceSize, pixels.format());
        m_under.setDevicePixelRatio(ratio);
        m_underKept = {};
    }
    QPainter keep(&m_under);
    keep.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &part : area & rect())
        keep.drawImage(QRectF(part), pixels, InDevicePixels(part.translated(pos()), ratio));
    m_underKept |= area & rect();
}

void ClockLabel::RepaintStack(std::span<ClockLabel *const> bottomFirst, const QRegion &area)
{
    if (bottomFirst.empty() || area.isEmpty())
        return;
    if (!PaintInPlace(bottomFirst, area))
        bottomFirst.front()->parentWidget()->repaint(area);
}

bool ClockLabel::PaintInPlace(std::span<ClockLabel *const> bottomFirst, const QRegion &area)
{
    QWidget *window = bottomFirst.front()->parentWidget();
    if (!window || !window->isWindow() || !window->windowHandle() || !window->windowHandle()->isExposed())
        return false;
    QBackingStore *store = window->backingStore();
    if (!store || !store->paintDevice() || store->paintDevice()->devType() != QInternal::Image)
        return false;
    const qreal ratio = static_cast<QImage *>(store->paintDevice())->devicePixelRatio();
    // Each pixel shows what the lowest label over it was painted over.
    QRegion below;
    for (const ClockLabel *label : bottomFirst) {
        if (label->parentWidget() != window || !label->isVisible() || label->m_under.devicePixelRatio() != ratio)
            return false;
        const QRegion own = ((area & label->geometry()) - below).translated(-label->pos());
        if (!(own - label->m_underKept).isEmpty())
            return false;
        below |= label->geometry();
    }
    // Nothing above the labels may be painted over.
    bool above = false;
    for (QObject *child : window->children()) {
        if (child == bottomFirst.front()) {
            above = true;
            continue;
        }
        if (!above || !child->isWidgetType())
            continue;
        auto *widget = static_cast<QWidget *>(child);
        if (std::find(bottomFirst.begin(), bottomFirst.end(), widget) != bottomFirst.end())
            continue;
        if (widget->isVisible() && area.intersects(widget->geometry()))
            return false;
    }

    // Put together apart, then copied in: a clip on the window's own
    // pixels costs the painter a table of every line of the window.
    ClockLabel *bottom = bottomFirst.front();
    QRect stackArea;
    for (const ClockLabel *label : bottomFirst)
        stackArea |= label->geometry();
    const QSize deviceSize = stackArea.size() * ratio;
    QImage &together = bottom->m_together;
    if (together.size() != deviceSize || together.format() != bottom->m_under.format()) {
        together = QImage(deviceSize, bottom->m_under.format());
        together.setDevicePixelRatio(ratio);
    }
    {
        QPainter painter(&together);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        below = {};
        for (const ClockLabel *label : bottomFirst) {
            for (const QRect &part : (area & label->geometry()) - below)
                painter.drawImage(QRectF(part.translated(-stackArea.topLeft())), label->m_under,
                                  InDevicePixels(part.translated(-label->pos()), ratio));
            below |= label->geometry();
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (ClockLabel *label : bottomFirst) {
            const QRegion own = area.translated(-label->pos()) & label->rect();
            painter.setTransform(QTransform::fromTranslate(label->x() - stackArea.x(), label->y() - stackArea.y()));
            // A clip of one rectangle is what the painter's fast paths take.
            if (own.rectCount() == 1)
                painter.setClipRect(own.boundingRect());
            else
                painter.setClipRegion(own);
            label->DrawText(painter, own);
        }
    }
    const QRegion shown = area & stackArea;
    store->beginPaint(shown);
    {
        QPainter painter(store->paintDevice());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect &part : shown)
            painter.drawImage(QRectF(part), together, InDevicePixels(part.translated(-stackArea.topLeft()), ratio));
    }
    store->endPaint();
    store->flush(shown, window->windowHandle());
    return true;
}

void ClockLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_underKept = {};
    PlaceText();
}

// What the label keeps was under it where it was, and while it showed.
void ClockLabel::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    m_underKept = {};
}

void ClockLabel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_underKept = {};
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
    Cells cells;
    if (LayOutFrom(m_text, cells))
        m_cells = std::move(cells);
    else
        m_cells.reset();
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

bool ClockLabel::LayOutFrom(const QString &text, Cells &cells)
{
    if (!m_font.isValid())
        return false;
    qreal x = cells.empty() ? 0 : cells.back().x + cells.back().advance;
    for (qsizetype i = qsizetype(cells.size()); i < text.size(); ++i) {
        const QChar character = text[i];
        const Glyph *glyph = GlyphOf(character.unicode());
        if (!glyph || character == QLatin1Char('\t'))
            return false;
        // Antialiasing reaches a pixel past the outline.
        const QRectF ink = glyph->ink.translated(x, m_baseline) | QRectF(x, 0, glyph->advance, height());
        cells.push_back({character.unicode(), glyph->index, x, glyph->advance, ink.toAlignedRect().adjusted(-1, -1, 1, 1)});
        x += glyph->advance;
    }
    return true;
}
