#pragma once
// A one-line label for a text that changes in place, such as a clock that
// shows seconds and stays up for hours. It is drawn without a text layout:
// each character's glyph is looked up once and drawn from the font's glyph
// cache, and a new text repaints only the characters that changed. A text
// that needs shaping (a character outside Latin-1, or one the font lacks) is
// drawn as a plain label draws it. The colour is the palette's window text,
// the text left-aligned and centred in height, as in a label.

#include <QRawFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

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
        QRect area; // what the glyph may paint, in the label's coordinates
    };
    using Cells = std::vector<Cell>;

    void FollowFont();
    void PlaceText();
    const Glyph *GlyphOf(char16_t character);
    // Nothing when the text needs a text layout.
    std::optional<Cells> LayOut(const QString &text);

    QString m_text;
    std::optional<Cells> m_cells;
    QRawFont m_font;
    qreal m_baseline = 0;
    // Latin-1 only, looked up as first used.
    std::array<std::optional<Glyph>, 256> m_glyphs;
};
