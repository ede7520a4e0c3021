#pragma once
// A one-line label for a text that changes in place, such as a clock that
// shows seconds and stays up for hours. It is drawn without a text layout:
// each character's glyph is looked up once and drawn from the font's glyph
// cache, and a new text repaints only the characters that changed. A text
// that needs shaping (a character outside Latin-1, or one the font lacks) is
// drawn as a plain label draws it. The colour is the palette's window text,
// the text left-aligned and centred in height, as in a label.
//
// Labels drawn one over another (a text and its shadow) can be repainted
// straight into the window's pixels, with no pass through the window's
// widgets: each label keeps the pixels it was last painted over.

#include <QRawFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include <QImage>
#include <QRegion>

#include <array>
#include <optional>
#include <span>
#include <vector>

class ClockLabel : public QWidget {
    Q_OBJECT
public:
    ClockLabel(const QString &text, QWidget *parent);

    QString text() const { return m_text; }
    void setText(const QString &text) { update(SetTextUnpainted(text)); }
    // The text set, and the area it must be painted again in (in the
    // label's coordinates), for the caller to paint along with whatever
    // else changed.
    QRect SetTextUnpainted(const QString &text);

    // Repaints an area (in the parent's coordinates) of labels that share a
    // parent, listed bottom first. Where the labels are their window's own
    // children, nothing else of the window's is over them and each knows
    // what it was last painted over, they are drawn straight into the
    // window's pixels over what they keep; otherwise the parent repaints
    // the area as usual.
    static void RepaintStack(std::span<ClockLabel *const> bottomFirst, const QRegion &area);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Glyph {
        quint32 index = 0;
        qreal advance = 0;
        QRectF ink; // around the pen position on the baseline
    };
    struct Cell {
        char16_t character;
        quint32 glyph;
        qreal x;
        qreal advance;
        QRect area; // what the glyph may paint, in the label's coordinates
    };
    using Cells = std::vector<Cell>;

    static bool PaintInPlace(std::span<ClockLabel *const> bottomFirst, const QRegion &area);
    void DrawText(QPainter &painter, const QRegion &area);
    void KeepWhatIsUnder(QPainter &painter, const QRegion &area);
    void FollowFont();
    void PlaceText();
    const Glyph *GlyphOf(char16_t character);
    // Lays out the text's characters after those the cells hold already;
    // false when the text needs a text layout.
    bool LayOutFrom(const QString &text, Cells &cells);

    QString m_text;
    std::optional<Cells> m_cells;
    // The next text's cells, kept to be reused.
    Cells m_spareCells;
    QRawFont m_font;
    qreal m_baseline = 0;
    // Latin-1 only, looked up as first used.
    std::array<std::optional<Glyph>, 256> m_glyphs;
    // The window's pixels under the label (in device pixels), as they were
    // before the label last painted itself there, and the part of the label
    // (in its own coordinates) they are known for.
    QImage m_under;
    QRegion m_underKept;
    // Where the bottom label of a stack puts the stack's new pixels together.
    QImage m_together;
};
