#include "formats/WmfReader.h"

#include "formats/Cp1252.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <optional>
#include <variant>
#include <vector>

namespace formats {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr int kMaxSide = 2048;        // pixels; clip art never needs more
constexpr qint64 kMaxFile = 32 << 20; // bytes

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

// A DIB (BITMAPINFO + bits) as an image, by giving it the file header a .bmp has.
QImage DibImage(const QByteArray &dib)
{
    if (dib.size() < 40)
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

    QImage Play()
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

        // Pass 1 finds the window extent when there is no placeable header.
        if (bounds.isEmpty())
            bounds = WindowFromRecords(pos);
        if (bounds.isEmpty())
            return {};

        QSizeF size = bounds.size() * 96.0 / inch;
        if (size.width() < 16 || size.height() < 16)
            size = bounds.size();
        size.scale(qMin(size.width(), double(kMaxSide)), qMin(size.height(), double(kMaxSide)),
                   Qt::KeepAspectRatio);
        QImage image(qMax(1, int(size.width())), qMax(1, int(size.height())), QImage::Format_ARGB32);
        image.fill(Qt::white);
        m_imageSize = image.size();

        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        m_painter = &painter;
        m_state.windowOrg = bounds.topLeft();
        m_state.windowExt = bounds.size();
        ApplyTransform();
        const bool ok = Records(pos, /*draw=*/true);
        painter.end();
        return ok ? image : QImage();
    }

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
    }

    void AddObject(Object object)
    {
        for (auto &slot : m_objects)
            if (!slot) {
                slot = std::move(object);
                return;
            }
        m_objects.push_back(std::move(object));
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
        const QSizeF ext = m_state.windowExt;
        if (ext.width() == 0 || ext.height() == 0)
            return QPointF(x, y);
        const QPointF org = m_state.windowOrg;
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

    void DrawText(double x, double y, const QString &text)
    {
        const Font &f = m_state.font;
        QFont font(f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
        // A glyph taller than twice the window draws nothing more, only slower.
        const int tallest = qMax(1, 2 * int(qAbs(m_state.windowExt.height())));
        font.setPixelSize(qBound(1, f.height, qMax(tallest, 16)));
        font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        m_painter->setFont(font);
        m_painter->setPen(m_state.textColour);
        const QFontMetricsF metrics(font);
        m_painter->drawText(QPointF(x, y + metrics.ascent()), text);
    }

    void DrawDib(const QByteArray &dib, const QRectF &target)
    {
        const QImage image = DibImage(dib);
        if (!image.isNull())
            m_painter->drawImage(target, image);
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
            if (!draw)
                continue;

            QPainter &g = *m_painter;
            g.setPen(m_state.pen);
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
                AddObject(MakePen(p));
                break;
            case 0x02FC:
                AddObject(MakeBrush(p));
                break;
            case 0x02FB:
                AddObject(MakeFont(p));
                break;
            case 0x00F7: // CreatePalette
            case 0x01F9: // CreatePatternBrush
            case 0x0142: // DIBCreatePatternBrush
            case 0x06FF: // CreateRegion
                AddObject(function == 0x0142 ? Object(QBrush(Qt::gray)) : Object(std::monostate{}));
                break;
            case 0x012D: {
                const quint16 index = p.U(0);
                if (index < m_objects.size()) {
                    if (!m_objects[index])
                        break;
                    const Object &o = *m_objects[index];
                    if (auto *pen = std::get_if<QPen>(&o))
                        m_state.pen = *pen;
                    else if (auto *brush = std::get_if<QBrush>(&o))
                        m_state.brush = *brush;
                    else if (auto *font = std::get_if<Font>(&o))
                        m_state.font = *font;
                }
                break;
            }
            case 0x01F0:
                if (p.U(0) < m_objects.size())
                    m_objects[p.U(0)].reset();
                break;
            case 0x001E:
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
                g.drawLine(m_state.position, to);
                m_state.position = to;
                break;
            }
            case 0x041B:
                g.drawRect(QRectF(At(p.S(3), p.S(2)), At(p.S(1), p.S(0))).normalized());
                break;
            case 0x0418:
                g.drawEllipse(QRectF(At(p.S(3), p.S(2)), At(p.S(1), p.S(0))).normalized());
                break;
            case 0x061C:
                g.drawRoundedRect(QRectF(At(p.S(5), p.S(4)), At(p.S(3), p.S(2))).normalized(), p.S(1) / 2.0,
                                  p.S(0) / 2.0);
                break;
            case 0x0324:
            case 0x0325: {
                const auto points = Points(p, 1, p.U(0));
                if (points.size() < 2)
                    break;
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
                }
                g.drawPath(path);
                break;
            }
            case 0x0521: {
                const int count = p.S(0);
                const qsizetype padded = (count + 1) & ~1;
                const QString text = FromCp1252(p.Bytes(2, count));
                const qsizetype after = 1 + padded / 2;
                DrawText(p.S(after + 1), p.S(after), text);
                break;
            }
            case 0x0A32: {
                const int count = p.S(2);
                const int options = p.U(3);
                const qsizetype textAt = 8 + ((options & 0x0006) ? 8 : 0);
                DrawText(p.S(1), p.S(0), FromCp1252(p.Bytes(textAt, count)));
                break;
            }
            case 0x0F43: // StretchDIBits
                DrawDib(p.Bytes(22, p.size() - 22), QRectF(p.S(10), p.S(9), p.S(8), p.S(7)).normalized());
                break;
            case 0x0B41: // DIBStretchBlt
                if (p.size() > 20)
                    DrawDib(p.Bytes(20, p.size() - 20), QRectF(p.S(9), p.S(8), p.S(7), p.S(6)).normalized());
                break;
            case 0x0940: // DIBBitBlt
                if (p.size() > 18)
                    DrawDib(p.Bytes(18, p.size() - 18), QRectF(p.S(8), p.S(7), p.S(6), p.S(5)).normalized());
                break;
            default:
                break; // modes, palettes, clipping and escapes change nothing we draw
            }
        }
        return false; // no end-of-file record
    }

    const QByteArray &m_bytes;
    QPainter *m_painter = nullptr;
    QSize m_imageSize;
    DcState m_state;
    std::vector<std::optional<Object>> m_objects; // empty = free slot
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
    return WmfPlayer(bytes).Play();
}

} // namespace formats
