// GCC 12 with the sanitizers takes an empty QByteArray's one-byte array for
// the bytes read here, past the size checks that rule that out.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include "formats/WmfReader.h"

#include "formats/Cp1252.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <array>
#include <bit>
#include <cmath>
#include <variant>
#include <vector>

namespace formats {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr int kMaxSide = 2048;        // pixels; clip art never needs more
constexpr qint64 kMaxFile = 32 << 20; // bytes

// What one metafile may ask of the painter; clip art stays far below. Without
// a bound, a small crafted file (a few wide dashed strokes, or many records)
// keeps a lock's background painting for minutes.
constexpr int kMaxDrawings = 20000;        // drawing records
constexpr qint64 kMaxPoints = 200000;      // points of polygons and lines in all
constexpr qint64 kMaxTextChars = 20000;    // characters of text in all
constexpr qint64 kMaxDibPixels = 16 << 20; // pixels of embedded bitmaps in all
// The painting a metafile may cost, estimated in nanoseconds of Qt 6.4's
// raster engine from each shape's size on the picture (see Charge): a few
// seconds at most, far above what real pictures cost.
constexpr double kMaxPaintCost = 3e9;
constexpr double kCostPerShape = 200'000;
constexpr double kCostPerPixel = 2;         // of the area painted
constexpr double kCostPerOutlinePixel = 20; // unsmoothed
constexpr double kCostSmoothed = 0.12;      // times the outline's length squared
constexpr double kCostPerGlyph = 10'000;
// Records that draw nothing are charged too, well above the fraction of a
// microsecond each takes: a file of nothing but objects or saved states
// could otherwise keep the player busy just as long.
constexpr double kCostPerObject = 2'000; // a created pen, brush, font or other object
constexpr double kCostPerSave = 2'000;   // a saved state
// Records name objects by a 16-bit index, and the header counts them in 16
// bits: no file can use more at once. A create past them is a damaged file.
constexpr int kMaxObjects = 0xFFFF;
// States saved and not yet restored; pictures nest a handful.
constexpr int kMaxSavedStates = 1024;
// Only outlines of modest length (a stroke's grows with its pen) are
// smoothed; smoothing costs Qt the square of the outline's length.
constexpr double kSmoothOutlinePixels = 16384;

// Little-endian reader over one record's parameters.
class Params {
public:
    Params(const uchar *data, qsizetype size) : m_data(data), m_size(size) {}
    qsizetype size() const { return m_size; }
    qint16 S(qsizetype word) const
    {
        // A word outside the record (before it too: counts in a hostile file
        // can drive an offset negative) reads as 0.
        return word >= 0 && word * 2 + 2 <= m_size ? qFromLittleEndian<qint16>(m_data + word * 2) : 0;
    }
    quint16 U(qsizetype word) const { return quint16(S(word)); }
    quint32 U32(qsizetype word) const { return quint32(U(word)) | (quint32(U(word + 1)) << 16); }
    QColor Colour(qsizetype word) const
    {
        const quint32 ref = U32(word);
        return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
    }
    QByteArray Bytes(qsizetype byteOffset, qsizetype count) const
    {
        if (byteOffset < 0 || count < 0 || byteOffset + count > m_size)
            return {};
        return QByteArray(reinterpret_cast<const char *>(m_data + byteOffset), count);
    }

private:
    const uchar *m_data;
    qsizetype m_size;
};

struct Font {
    int height = 12;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    QString face;
};

using Object = std::variant<std::monostate, QPen, QBrush, Font>;

// Which slots of the object table are taken. A new object goes to the lowest
// free slot; a bit per slot, a bit per full word of those and a bit per full
// word of these find it in three steps, however many objects a file makes.
class Slots {
public:
    // The slot taken, or -1 when every slot is.
    int Take()
    {
        if (m_fullGroups == kAllGroups)
            return -1;
        const int group = std::countr_one(m_fullGroups);
        const int word = group * 64 + std::countr_one(m_fullWords[group]);
        const int bit = std::countr_one(m_taken[word]);
        const int slot = word * 64 + bit;
        if (slot >= kMaxObjects)
            return -1;
        m_taken[word] |= quint64(1) << bit;
        if (m_taken[word] == ~quint64(0)) {
            m_fullWords[group] |= quint64(1) << (word % 64);
            if (m_fullWords[group] == ~quint64(0))
                m_fullGroups |= quint16(1u << group);
        }
        return slot;
    }
    bool Taken(int slot) const
    {
        return slot >= 0 && slot < kMaxObjects && (m_taken[slot / 64] >> (slot % 64)) & 1;
    }
    void Free(int slot)
    {
        if (!Taken(slot))
            return;
        const int word = slot / 64;
        m_taken[word] &= ~(quint64(1) << (slot % 64));
        m_fullWords[word / 64] &= ~(quint64(1) << (word % 64));
        m_fullGroups &= quint16(~(1u << (word / 64)));
    }

private:
    static constexpr int kWords = 1024; // of 64 slots: every 16-bit index
    static constexpr quint16 kAllGroups = 0xFFFF;
    std::array<quint64, kWords> m_taken{};
    std::array<quint64, kWords / 64> m_fullWords{};
    quint16 m_fullGroups = 0;
};

struct DcState {
    QPen pen{Qt::black};
    QBrush brush{Qt::white};
    Font font;
    QColor textColour{Qt::black};
    Qt::FillRule fill = Qt::OddEvenFill;
    QPointF position;
    QPointF windowOrg{0, 0};
    QSizeF windowExt{0, 0};
};

// The pixels a DIB's header declares (its bits may be compressed).
qint64 DibPixels(const QByteArray &dib)
{
    if (dib.size() < 12)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(dib.constData());
    if (qFromLittleEndian<quint32>(p) == 12) // BITMAPCOREHEADER
        return qint64(qFromLittleEndian<quint16>(p + 4)) * qFromLittleEndian<quint16>(p + 6);
    return qAbs(qint64(qFromLittleEndian<qint32>(p + 4))) * qAbs(qint64(qFromLittleEndian<qint32>(p + 8)));
}

// A DIB (BITMAPINFO + bits) as an image, by giving it the file header a .bmp has.
QImage DibImage(const QByteArray &dib)
{
    if (dib.size() < 40 || DibPixels(dib) > kMaxDibPixels)
        return {};
    const auto *p = reinterpret_cast<const uchar *>(dib.constData());
    const quint32 headerSize = qFromLittleEndian<quint32>(p);
    const quint16 bitCount = qFromLittleEndian<quint16>(p + 14);
    quint32 colours = headerSize >= 40 ? qFromLittleEndian<quint32>(p + 32) : 0;
    if (colours == 0 && bitCount <= 8)
        colours = 1u << bitCount;
    const quint32 compression = headerSize >= 40 ? qFromLittleEndian<quint32>(p + 16) : 0;
    const quint32 masks = (compression == 3 && headerSize == 40) ? 12 : 0;
    const quint32 offset = 14 + headerSize + masks + colours * 4;
    QByteArray file("BM");
    uchar header[12];
    qToLittleEndian<quint32>(quint32(14 + dib.size()), header);
    qToLittleEndian<quint32>(0, header + 4);
    qToLittleEndian<quint32>(offset, header + 8);
    file.append(reinterpret_cast<const char *>(header), 12);
    file.append(dib);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

class WmfPlayer {
public:
    explicit WmfPlayer(const QByteArray &bytes) : m_bytes(bytes) {}

    // Reads the header and counts what the records ask; the picture's size at
    // 96 dots per inch, or an invalid size when the file is refused.
    QSize Prepare()
    {
        qsizetype pos = 0;
        QRectF bounds;
        int inch = 1440;
        if (m_bytes.size() >= 22 && Word32(0) == kPlaceableKey) {
            const qint16 left = S16(6), top = S16(8), right = S16(10), bottom = S16(12);
            inch = U16(14) ? U16(14) : 1440;
            bounds = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
            pos = 22;
        }
        if (pos + 18 > m_bytes.size())
            return {};
        const quint16 type = U16(pos);
        const quint16 headerWords = U16(pos + 2);
        if ((type != 1 && type != 2) || headerWords != 9)
            return {};
        pos += 18;
        m_records = pos;

        // Pass 1 finds the window extent when there is no placeable header,
        // and refuses a damaged file or one asking too much before anything
        // is painted.
        if (bounds.isEmpty())
            bounds = WindowFromRecords(pos);
        if (bounds.isEmpty() || !Records(pos, /*draw=*/false))
            return {};
        if (m_work.drawings > kMaxDrawings || m_work.points > kMaxPoints ||
            m_work.textChars > kMaxTextChars || m_work.dibPixels > kMaxDibPixels ||
            m_work.cost > kMaxPaintCost)
            return {};

        QSizeF size = bounds.size() * 96.0 / inch;
        if (size.width() < 16 || size.height() < 16)
            size = bounds.size();
        size.scale(qMin(size.width(), double(kMaxSide)), qMin(size.height(), double(kMaxSide)),
                   Qt::KeepAspectRatio);
        m_bounds = bounds;
        return QSize(qMax(1, int(size.width())), qMax(1, int(size.height())));
    }

    // Plays the records over the whole device, after Prepare.
    bool Paint(QPaintDevice &device)
    {
        m_imageSize = QSize(device.width(), device.height());
        QPainter painter(&device);
        painter.setRenderHint(QPainter::Antialiasing);
        m_painter = &painter;
        m_state.windowOrg = m_bounds.topLeft();
        m_state.windowExt = m_bounds.size();
        ApplyTransform();
        const bool ok = Records(m_records, /*draw=*/true);
        painter.end();
        return ok;
    }

    // What the records ask of the painter, counted as they are read.
    struct Work {
        int drawings = 0;
        qint64 points = 0;
        qint64 textChars = 0;
        qint64 dibPixels = 0;
        double cost = 0; // estimated, in nanoseconds
    };

private:
    quint16 U16(qsizetype at) const { return qFromLittleEndian<quint16>(m_bytes.constData() + at); }
    qint16 S16(qsizetype at) const { return qFromLittleEndian<qint16>(m_bytes.constData() + at); }
    quint32 Word32(qsizetype at) const { return qFromLittleEndian<quint32>(m_bytes.constData() + at); }

    QRectF WindowFromRecords(qsizetype pos)
    {
        QPointF org;
        QSizeF ext;
        while (pos + 6 <= m_bytes.size()) {
            const quint32 words = Word32(pos);
            const quint16 function = U16(pos + 4);
            if (words < 3 || pos + qint64(words) * 2 > m_bytes.size() || function == 0)
                break;
            const Params p(reinterpret_cast<const uchar *>(m_bytes.constData()) + pos + 6,
                           qsizetype(words) * 2 - 6);
            if (function == 0x020B)
                org = QPointF(p.S(1), p.S(0));
            else if (function == 0x020C)
                ext = QSizeF(p.S(1), p.S(0));
            pos += qsizetype(words) * 2;
        }
        return QRectF(org, QSizeF(qAbs(ext.width()), qAbs(ext.height())));
    }

    void ApplyTransform()
    {
        const QSizeF ext = m_state.windowExt;
        if (ext.width() == 0 || ext.height() == 0)
            return;
        QTransform t;
        t.scale(m_imageSize.width() / ext.width(), m_imageSize.height() / ext.height());
        t.translate(-m_state.windowOrg.x(), -m_state.windowOrg.y());
        m_painter->setTransform(t);
        m_viewOrg = m_state.windowOrg;
        m_viewExt = ext;
    }

    // Device pixels per logical unit along the transform's longer axis.
    double Scale() const
    {
        const QTransform &t = m_painter->transform();
        return qMax(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    }

    // The pen as drawn: no wider than four times the picture (a wider stroke
    // covers no more of it from any point held to the margin, only slower).
    // Returns its width in device pixels.
    double UsePen()
    {
        QPen pen = m_state.pen;
        double pixels = 1;
        if (pen.style() != Qt::NoPen && !pen.isCosmetic()) {
            const double scale = Scale();
            const double widest = 4.0 * qMax(m_imageSize.width(), m_imageSize.height());
            if (scale > 0 && pen.widthF() * scale > widest)
                pen.setWidthF(widest / scale);
            pixels = qMax(1.0, pen.widthF() * scale);
        }
        m_painter->setPen(pen);
        return pixels;
    }

    // Estimates what a shape costs to paint before it is drawn, and chooses
    // whether to smooth it; false once the metafile has cost more than any
    // picture needs. Qt smooths an outline in time growing with the square
    // of its length (a stroke's outline grows with the pen's width), and
    // paints it unsmoothed in time growing with its length.
    bool Charge(const QPolygonF &logical, bool closed, double pen)
    {
        return Charge(QList<QPolygonF>{logical}, closed, pen);
    }
    bool Charge(const QList<QPolygonF> &logical, bool closed, double pen)
    {
        double length = 0;
        QRectF bounds;
        for (const QPolygonF &part : logical) {
            const QPolygonF device = m_painter->transform().map(part);
            for (qsizetype i = 1; i < device.size(); ++i)
                length += QLineF(device[i - 1], device[i]).length();
            if (closed && device.size() > 2)
                length += QLineF(device.last(), device.first()).length();
            bounds |= device.boundingRect();
        }
        // A dashed stroke is cut into pieces, each outlined as wide as the pen.
        const Qt::PenStyle style = m_painter->pen().style();
        const double outline = length * (style == Qt::SolidLine || style == Qt::NoPen ? 2 : 2 + pen / 4);
        const bool smooth = outline <= kSmoothOutlinePixels;
        m_painter->setRenderHint(QPainter::Antialiasing, smooth);
        const QRectF reach = bounds.adjusted(-pen, -pen, pen, pen);
        const QRectF painted = reach.intersected(QRectF(QPointF(0, 0), QSizeF(m_imageSize)));
        m_work.cost += kCostPerShape + kCostPerPixel * painted.width() * painted.height() +
                       (smooth ? kCostSmoothed * outline * outline : kCostPerOutlinePixel * outline);
        return m_work.cost <= kMaxPaintCost;
    }
    // A shape drawn with the current pen.
    bool ChargeShape(const QPolygonF &logical, bool closed) { return Charge(logical, closed, UsePen()); }
    bool ChargeShape(const QList<QPolygonF> &logical) { return Charge(logical, /*closed=*/true, UsePen()); }
    bool ChargeShape(const QRectF &logical) { return Charge(QPolygonF(logical), /*closed=*/false, UsePen()); }

    // Counts a record in the first pass; false when the file is damaged.
    bool Survey(quint16 function, const Params &p)
    {
        const qsizetype pointsInRecord = p.size() / 4;
        switch (function) {
        case 0x02FA:
        case 0x02FC:
        case 0x02FB:
        case 0x00F7:
        case 0x01F9:
        case 0x0142:
        case 0x06FF:
            m_work.cost += kCostPerObject;
            return m_surveySlots.Take() >= 0;
        case 0x01F0:
            m_surveySlots.Free(p.U(0));
            return true;
        case 0x001E:
            m_work.cost += kCostPerSave;
            return ++m_surveySaved <= kMaxSavedStates;
        case 0x0127:
            m_surveySaved = qMax(0, m_surveySaved - 1);
            return true;
        case 0x0324:
        case 0x0325:
            m_work.points += qMin<qsizetype>(p.U(0), pointsInRecord);
            break;
        case 0x0538: {
            qint64 points = 0;
            for (int i = 0; i < p.U(0) && (1 + i) * 2 < p.size(); ++i)
                points += p.U(1 + i);
            m_work.points += qMin<qint64>(points, pointsInRecord);
            break;
        }
        case 0x0521:
            m_work.textChars += qBound(qsizetype(0), qsizetype(p.S(0)), p.size());
            break;
        case 0x0A32:
            m_work.textChars += qBound(qsizetype(0), qsizetype(p.S(2)), p.size());
            break;
        case 0x0F43:
            m_work.dibPixels += DibPixels(p.Bytes(22, p.size() - 22));
            break;
        case 0x0B41:
            m_work.dibPixels += DibPixels(p.Bytes(20, p.size() - 20));
            break;
        case 0x0940:
            m_work.dibPixels += DibPixels(p.Bytes(18, p.size() - 18));
            break;
        case 0x0213:
        case 0x041B:
        case 0x0418:
        case 0x061C:
            break;
        default:
            return true; // draws nothing
        }
        ++m_work.drawings;
        return true;
    }

    // Puts a new object in the lowest free slot; false when none is left.
    bool AddObject(Object object)
    {
        const int slot = m_slots.Take();
        if (slot < 0)
            return false;
        if (size_t(slot) >= m_objects.size())
            m_objects.resize(slot + 1);
        m_objects[slot] = std::move(object);
        return true;
    }

    static QPen MakePen(const Params &p)
    {
        const int style = p.U(0) & 0x0F;
        if (style == 5)
            return QPen(Qt::NoPen);
        QPen pen(p.Colour(3));
        pen.setWidthF(qMax<qint16>(0, p.S(1)));
        pen.setCosmetic(p.S(1) <= 1);
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
        if (style < 5)
            pen.setStyle(styles[style]);
        return pen;
    }

    static QBrush MakeBrush(const Params &p)
    {
        const int style = p.U(0);
        if (style == 1)
            return QBrush(Qt::NoBrush);
        if (style == 2) {
            static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
            const int hatch = p.U(3);
            return QBrush(p.Colour(1), hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
        }
        return QBrush(p.Colour(1));
    }

    static Font MakeFont(const Params &p)
    {
        Font f;
        f.height = qAbs(p.S(0));
        f.weight = p.S(4);
        const QByteArray flags = p.Bytes(10, 2);
        f.italic = flags.size() > 0 && flags[0] != 0;
        f.underline = flags.size() > 1 && flags[1] != 0;
        QByteArray face = p.Bytes(18, qMax<qsizetype>(0, qMin<qsizetype>(32, p.size() - 18)));
        face.truncate(face.indexOf('\0') < 0 ? face.size() : face.indexOf('\0'));
        f.face = FromCp1252(face);
        return f;
    }

    // A point of the drawing, held to a margin around the window: a point far
    // off the picture draws nothing there, but huge coordinates make the
    // painter's outlines (and so its time) grow without bound.
    QPointF At(qint16 x, qint16 y) const
    {
        // The window the painter maps, which a zero extent never replaces.
        const QSizeF ext = m_viewExt;
        if (ext.width() == 0 || ext.height() == 0)
            return QPointF(x, y);
        const QPointF org = m_viewOrg;
        const double marginX = 2 * qAbs(ext.width()), marginY = 2 * qAbs(ext.height());
        const double left = qMin(org.x(), org.x() + ext.width()) - marginX;
        const double right = qMax(org.x(), org.x() + ext.width()) + marginX;
        const double top = qMin(org.y(), org.y() + ext.height()) - marginY;
        const double bottom = qMax(org.y(), org.y() + ext.height()) + marginY;
        return QPointF(qBound(left, double(x), right), qBound(top, double(y), bottom));
    }

    std::vector<QPointF> Points(const Params &p, qsizetype firstWord, int count) const
    {
        std::vector<QPointF> points;
        for (int i = 0; i < count && (firstWord + 2 * i + 1) * 2 < p.size() + 1; ++i)
            points.push_back(At(p.S(firstWord + 2 * i), p.S(firstWord + 2 * i + 1)));
        return points;
    }

    bool DrawText(double x, double y, const QString &text)
    {
        const Font &f = m_state.font;
        QFont font(f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
        // A glyph taller than twice the window draws nothing more, only slower.
        const int tallest = qMax(1, 2 * int(qAbs(m_viewExt.height())));
        font.setPixelSize(qBound(1, f.height, qMax(tallest, 16)));
        font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        m_painter->setFont(font);
        const QFontMetricsF metrics(font);
        // Large glyphs are painted as smoothed outlines, each costing the
        // square of its length.
        const double glyph = 4 * font.pixelSize() * Scale();
        m_work.cost += text.size() * (kCostPerGlyph + kCostSmoothed * glyph * glyph);
        if (!Charge(QPolygonF(metrics.boundingRect(text).translated(x, y + metrics.ascent())), false, 0))
            return false;
        // As outlines filled under the file's transform: with some flipped,
        // stretched transforms a file can set (its window extents), Qt's
        // glyph cache reads past the end of a glyph's bitmap.
        QPainterPath outlines;
        outlines.addText(QPointF(x, y + metrics.ascent()), font, text);
        m_painter->setRenderHint(QPainter::Antialiasing);
        m_painter->fillPath(outlines, m_state.textColour);
        return true;
    }

    bool DrawDib(const QByteArray &dib, const QRectF &target)
    {
        m_work.cost += kCostPerPixel * qMin(DibPixels(dib), kMaxDibPixels);
        if (!Charge(QPolygonF(target), /*closed=*/false, 0))
            return false;
        m_painter->setRenderHint(QPainter::Antialiasing);
        const QImage image = DibImage(dib);
        if (!image.isNull())
            m_painter->drawImage(target, image);
        return true;
    }

    bool Records(qsizetype pos, bool draw)
    {
        std::vector<DcState> saved;
        int records = 0;
        while (pos + 6 <= m_bytes.size()) {
            const quint32 words = Word32(pos);
            const quint16 function = U16(pos + 4);
            if (function == 0)
                return records > 0;
            if (words < 3 || pos + qint64(words) * 2 > m_bytes.size())
                return false; // truncated or corrupt
            const Params p(reinterpret_cast<const uchar *>(m_bytes.constData()) + pos + 6,
                           qsizetype(words) * 2 - 6);
            pos += qsizetype(words) * 2;
            ++records;
            if (!draw) {
                if (!Survey(function, p))
                    return false;
                continue;
            }

            QPainter &g = *m_painter;
            g.setBrush(m_state.brush);
            switch (function) {
            case 0x020B:
                m_state.windowOrg = QPointF(p.S(1), p.S(0));
                ApplyTransform();
                break;
            case 0x020C:
                m_state.windowExt = QSizeF(p.S(1), p.S(0));
                ApplyTransform();
                break;
            case 0x0209:
                m_state.textColour = p.Colour(0);
                break;
            case 0x0106:
                m_state.fill = p.U(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
                break;
            case 0x02FA:
                if (!AddObject(MakePen(p)))
                    return false;
                break;
            case 0x02FC:
                if (!AddObject(MakeBrush(p)))
                    return false;
                break;
            case 0x02FB:
                if (!AddObject(MakeFont(p)))
                    return false;
                break;
            case 0x00F7: // CreatePalette
            case 0x01F9: // CreatePatternBrush
            case 0x0142: // DIBCreatePatternBrush
            case 0x06FF: // CreateRegion
                if (!AddObject(function == 0x0142 ? Object(QBrush(Qt::gray)) : Object(std::monostate{})))
                    return false;
                break;
            case 0x012D: {
                const quint16 index = p.U(0);
                if (!m_slots.Taken(index))
                    break;
                const Object &o = m_objects[index];
                if (auto *pen = std::get_if<QPen>(&o))
                    m_state.pen = *pen;
                else if (auto *brush = std::get_if<QBrush>(&o))
                    m_state.brush = *brush;
                else if (auto *font = std::get_if<Font>(&o))
                    m_state.font = *font;
                break;
            }
            case 0x01F0:
                if (m_slots.Taken(p.U(0))) {
                    m_slots.Free(p.U(0));
                    m_objects[p.U(0)] = std::monostate{};
                }
                break;
            case 0x001E:
                if (saved.size() >= kMaxSavedStates)
                    return false;
                saved.push_back(m_state);
                break;
            case 0x0127:
                if (!saved.empty()) {
                    m_state = saved.back();
                    saved.pop_back();
                    ApplyTransform();
                }
                break;
            case 0x0214:
                m_state.position = At(p.S(1), p.S(0));
                break;
            case 0x0213: {
                const QPointF to = At(p.S(1), p.S(0));
                if (!ChargeShape(QPolygonF({m_state.position, to}), /*closed=*/false))
                    return false;
                g.drawLine(m_state.position, to);
                m_state.position = to;
                break;
            }
            case 0x041B:
            case 0x0418: {
                const QRectF box = QRectF(At(p.S(3), p.S(2)), At(p.S(1), p.S(0))).normalized();
                if (!ChargeShape(box))
                    return false;
                if (function == 0x041B)
                    g.drawRect(box);
                else
                    g.drawEllipse(box);
                break;
            }
            case 0x061C: {
                const QRectF box = QRectF(At(p.S(5), p.S(4)), At(p.S(3), p.S(2))).normalized();
                if (!ChargeShape(box))
                    return false;
                g.drawRoundedRect(box, p.S(1) / 2.0, p.S(0) / 2.0);
                break;
            }
            case 0x0324:
            case 0x0325: {
                const auto points = Points(p, 1, p.U(0));
                if (points.size() < 2)
                    break;
                if (!ChargeShape(QPolygonF(QList<QPointF>(points.begin(), points.end())), function == 0x0324))
                    return false;
                if (function == 0x0324)
                    g.drawPolygon(points.data(), int(points.size()), m_state.fill);
                else
                    g.drawPolyline(points.data(), int(points.size()));
                break;
            }
            case 0x0538: {
                // Counts are unsigned: a negative one would walk backwards.
                const int polys = p.U(0);
                QPainterPath path;
                path.setFillRule(m_state.fill);
                QList<QPolygonF> outline;
                qsizetype word = 1 + polys;
                for (int i = 0; i < polys && word * 2 < p.size(); ++i) {
                    const auto points = Points(p, word, p.U(1 + i));
                    word += 2 * qsizetype(p.U(1 + i));
                    if (points.empty())
                        continue;
                    path.moveTo(points[0]);
                    for (size_t k = 1; k < points.size(); ++k)
                        path.lineTo(points[k]);
                    path.closeSubpath();
                    outline.append(QPolygonF(QList<QPointF>(points.begin(), points.end())));
                }
                if (!ChargeShape(outline))
                    return false;
                g.drawPath(path);
                break;
            }
            case 0x0521: {
                const int count = p.S(0);
                const qsizetype padded = (count + 1) & ~1;
                const QString text = FromCp1252(p.Bytes(2, count));
                const qsizetype after = 1 + padded / 2;
                if (!DrawText(p.S(after + 1), p.S(after), text))
                    return false;
                break;
            }
            case 0x0A32: {
                const int count = p.S(2);
                const int options = p.U(3);
                const qsizetype textAt = 8 + ((options & 0x0006) ? 8 : 0);
                if (!DrawText(p.S(1), p.S(0), FromCp1252(p.Bytes(textAt, count))))
                    return false;
                break;
            }
            case 0x0F43: // StretchDIBits
                if (!DrawDib(p.Bytes(22, p.size() - 22),
                             QRectF(p.S(10), p.S(9), p.S(8), p.S(7)).normalized()))
                    return false;
                break;
            case 0x0B41: // DIBStretchBlt
                if (p.size() > 20 &&
                    !DrawDib(p.Bytes(20, p.size() - 20), QRectF(p.S(9), p.S(8), p.S(7), p.S(6)).normalized()))
                    return false;
                break;
            case 0x0940: // DIBBitBlt
                if (p.size() > 18 &&
                    !DrawDib(p.Bytes(18, p.size() - 18), QRectF(p.S(8), p.S(7), p.S(6), p.S(5)).normalized()))
                    return false;
                break;
            default:
                break; // modes, palettes, clipping and escapes change nothing we draw
            }
        }
        return false; // no end-of-file record
    }

    const QByteArray &m_bytes;
    QPainter *m_painter = nullptr;
    qsizetype m_records = 0; // where the records start
    QRectF m_bounds;
    QSize m_imageSize;
    DcState m_state;
    QPointF m_viewOrg; // the window the painter maps
    QSizeF m_viewExt;
    Work m_work;
    Slots m_slots;                // of m_objects, while painting
    std::vector<Object> m_objects; // by slot
    Slots m_surveySlots;          // the same slots, followed by the survey
    int m_surveySaved = 0;        // states saved and not restored, in the survey
};

} // namespace

bool LooksLikeWmf(const QByteArray &head)
{
    if (head.size() < 6)
        return false;
    const auto *p = reinterpret_cast<const uchar *>(head.constData());
    if (qFromLittleEndian<quint32>(p) == kPlaceableKey)
        return true;
    const quint16 type = qFromLittleEndian<quint16>(p);
    const quint16 words = qFromLittleEndian<quint16>(p + 2);
    const quint16 version = qFromLittleEndian<quint16>(p + 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x0300 || version == 0x0100);
}

QImage RenderWmf(const QByteArray &bytes)
{
    if (bytes.size() > kMaxFile)
        return {};
    WmfPlayer player(bytes);
    const QSize size = player.Prepare();
    if (!size.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return player.Paint(image) ? image : QImage();
}

bool PaintWmf(const QByteArray &bytes, QPaintDevice &device)
{
    if (bytes.size() > kMaxFile)
        return false;
    WmfPlayer player(bytes);
    return player.Prepare().isValid() && player.Paint(device);
}

} // namespace formats
