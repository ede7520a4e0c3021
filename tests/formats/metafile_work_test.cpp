// The painting a metafile can ask for is bounded: what the player hands the
// painter is watched through a recording paint device, so the bounds are
// checked on the drawing itself, not on the clock.

#include "formats/WmfReader.h"
#include "support/MetafileBytes.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// One drawing call as the painter passed it on.
struct Drawn {
    double penPixels = 0; // the stroke's width on the device; 0 for none
    bool smoothed = false;
};

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(AllFeatures) {}
    std::vector<Drawn> drawn;

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyHints)
            m_smoothed = state.renderHints() & QPainter::Antialiasing;
        if (state.state() & DirtyTransform)
            m_transform = state.transform();
    }
    void drawPath(const QPainterPath &) override { Record(); }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { Record(); }
    void drawRects(const QRectF *, int) override { Record(); }
    void drawEllipse(const QRectF &) override { Record(); }
    void drawLines(const QLineF *, int) override { Record(); }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { Record(); }
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override
    {
        Record();
    }
    void drawTextItem(const QPointF &, const QTextItem &) override { Record(); }

private:
    void Record()
    {
        Drawn d;
        if (m_pen.style() != Qt::NoPen) {
            const double scale = qMax(std::hypot(m_transform.m11(), m_transform.m12()),
                                      std::hypot(m_transform.m21(), m_transform.m22()));
            d.penPixels = m_pen.isCosmetic() ? qMax(1.0, m_pen.widthF()) : m_pen.widthF() * scale;
        }
        d.smoothed = m_smoothed;
        drawn.push_back(d);
    }
    QPen m_pen;
    bool m_smoothed = false;
    QTransform m_transform;
};

class RecordingDevice : public QPaintDevice {
public:
    RecordingEngine engine;
    QPaintEngine *paintEngine() const override { return const_cast<RecordingEngine *>(&engine); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return kSide;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

public:
    static constexpr int kSide = 2048;
};

using testing_support::wmf::Le16;
using testing_support::wmf::Le32;
using testing_support::wmf::Record;

// A placeable metafile of a 100 x 100 window, 2048 pixels a side at 96 dpi.
QByteArray Metafile(const QByteArray &records, bool ended = true)
{
    QByteArray placeable = Le32(0x9AC6CDD7);
    placeable += Le16(0) + Le16(0) + Le16(0) + Le16(100) + Le16(100) + Le16(4) + Le16(0) + Le16(0) + Le16(0);
    const QByteArray header =
        Le16(1) + Le16(9) + Le16(0x0300) + Le16(0) + Le16(0) + Le16(2) + Le16(0) + Le16(0) + Le16(0);
    QByteArray bytes = placeable + header + Record(0x020B, {0, 0}) + Record(0x020C, {100, 100}) + records;
    if (ended)
        bytes += Record(0x0000, {});
    return bytes;
}

QByteArray Repeated(const QByteArray &record, int times)
{
    QByteArray all;
    for (int i = 0; i < times; ++i)
        all += record;
    return all;
}

// Points zigzagging from far left to far right of the window.
std::vector<int> Zigzag(int points)
{
    std::vector<int> words{points};
    for (int i = 0; i < points; ++i) {
        words.push_back(i % 2 ? -200 : 300);
        words.push_back((i * 37) % 500 - 200);
    }
    return words;
}

const QByteArray kWideDashedPen = Record(0x02FA, {1, 30976, 0, 0, 0}) + Record(0x012D, {0});
const QByteArray kThinPen = Record(0x02FA, {0, 3, 0, 0, 0}) + Record(0x012D, {0});
const QByteArray kEllipse = Record(0x0418, {90, 90, 10, 10});
const QByteArray kPalette = Record(0x00F7, {}); // the shortest object-creating record
const QByteArray kSave = Record(0x001E, {});
const QByteArray kRestore = Record(0x0127, {-1});

// A solid pen of the given width in window units: 20.48 pixels each.
QByteArray Pen(int width)
{
    return Record(0x02FA, {0, width, 0, 0, 0});
}
QByteArray Select(int slot)
{
    return Record(0x012D, {slot});
}
QByteArray Delete(int slot)
{
    return Record(0x01F0, {slot});
}

// The pens of the shapes painted, in window units.
std::vector<double> PenWidthsDrawn(const QByteArray &bytes)
{
    RecordingDevice device;
    EXPECT_TRUE(formats::PaintWmf(bytes, device));
    std::vector<double> widths;
    for (const Drawn &d : device.engine.drawn)
        widths.push_back(std::round(d.penPixels / 20.48 * 100) / 100);
    return widths;
}

TEST(MetafileWork, WideStrokesAreHeldToThePictureAndDrawnUnsmoothed)
{
    // The shapes of a metafile the fuzzer found painting for minutes: a
    // dashed pen 300 windows wide around a rectangle, an ellipse and a
    // polygon reaching far outside.
    const QByteArray bytes = Metafile(kWideDashedPen + Record(0x041B, {100, 50, 0, 0}) + kEllipse +
                                      Record(0x0324, {3, 10, 10, 20, 2570, 2560, 4608}));
    RecordingDevice device;
    ASSERT_TRUE(formats::PaintWmf(bytes, device));
    ASSERT_EQ(device.engine.drawn.size(), 3u);
    for (const Drawn &d : device.engine.drawn) {
        EXPECT_GT(d.penPixels, RecordingDevice::kSide); // still wider than the picture
        EXPECT_LE(d.penPixels, 4.0 * RecordingDevice::kSide + 1);
        EXPECT_FALSE(d.smoothed);
    }
    EXPECT_FALSE(formats::RenderWmf(bytes).isNull());
}

TEST(MetafileWork, OrdinaryShapesKeepTheirPenAndSmoothing)
{
    RecordingDevice device;
    ASSERT_TRUE(formats::PaintWmf(
        Metafile(kThinPen + Record(0x0418, {30, 30, 10, 10}) + Record(0x0324, {3, 10, 10, 30, 10, 20, 30})),
        device));
    ASSERT_EQ(device.engine.drawn.size(), 2u);
    for (const Drawn &d : device.engine.drawn) {
        EXPECT_NEAR(d.penPixels, 3 * 20.48, 0.01);
        EXPECT_TRUE(d.smoothed);
    }
}

TEST(MetafileWork, AnOutlineCrossingThePictureManyTimesIsNotSmoothed)
{
    RecordingDevice device;
    ASSERT_TRUE(formats::PaintWmf(Metafile(Record(0x0324, Zigzag(1000))), device));
    ASSERT_EQ(device.engine.drawn.size(), 1u);
    EXPECT_FALSE(device.engine.drawn[0].smoothed);
}

TEST(MetafileWork, TooMuchDrawingIsRefusedWithBoundedPainting)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        size_t mostDrawn; // shapes the painter may be handed before the refusal
    };
    const Case cases[] = {
        // Each costs little, but not in these numbers.
        {"wide dashed ellipses", Metafile(kWideDashedPen + Repeated(kEllipse, 15000)), 10000},
        {"thin ellipses", Metafile(kThinPen + Repeated(kEllipse, 19000)), 15000},
        {"zigzag polygons", Metafile(Repeated(Record(0x0324, Zigzag(12)), 5000)), 2000},
        // Counted before any painting.
        {"too many records", Metafile(Repeated(kEllipse, 25000)), 0},
        {"too many points", Metafile(Repeated(Record(0x0325, Zigzag(16000)), 13)), 0},
        // A record claiming more bytes than the file holds.
        {"damaged at the end",
         Metafile(kWideDashedPen + kEllipse + Le16(0) + Le16(0x3800) + Le16(0x0205), false), 0},
        // Objects and saved states draw nothing, but are counted before any
        // painting all the same.
        {"300,000 objects kept", Metafile(kEllipse + Repeated(kPalette, 300000)), 0},
        {"one object more than 16-bit indices name", Metafile(kEllipse + Repeated(kPalette, 65536)), 0},
        {"2,000,000 objects made and deleted",
         Metafile(kEllipse + Repeated(kPalette + Delete(0), 2000000)), 0},
        {"states saved 1,025 deep", Metafile(kEllipse + Repeated(kSave, 1025) + Repeated(kRestore, 1025)), 0},
        {"2,000,000 states saved and restored", Metafile(kEllipse + Repeated(kSave + kRestore, 2000000)), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDevice device;
        EXPECT_FALSE(formats::PaintWmf(c.bytes, device));
        EXPECT_LE(device.engine.drawn.size(), c.mostDrawn);
    }
}

TEST(MetafileWork, NewObjectsTakeTheLowestFreeSlot)
{
    struct Case {
        const char *name;
        int kept;                 // objects made first
        std::vector<int> deleted; // then these deleted
    };
    const Case cases[] = {
        {"a few", 10, {3}},
        {"in one word of slots", 10, {7, 2, 3}},
        {"across words and groups of words", 5000, {4100, 4095, 130, 64, 63}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Pens of width 1 fill the table; the new ones are 10, 11, ... wide.
        QByteArray records = Repeated(Pen(1), c.kept);
        for (int slot : c.deleted)
            records += Delete(slot);
        std::vector<int> expected = c.deleted;
        std::sort(expected.begin(), expected.end());
        expected.push_back(c.kept); // once the holes are filled, the table grows
        std::vector<double> widths;
        for (size_t i = 0; i < expected.size(); ++i) {
            records += Pen(10 + int(i));
            widths.push_back(10 + int(i));
        }
        for (int slot : expected)
            records += Select(slot) + kEllipse;
        // A deleted slot selects nothing: the last pen stays.
        records += Delete(expected[0]) + Select(expected[0]) + kEllipse;
        widths.push_back(widths.back());
        EXPECT_EQ(PenWidthsDrawn(Metafile(records)), widths);
    }
}

TEST(MetafileWork, ObjectsAndSavedStatesWithinTheBoundsArePainted)
{
    // Every slot a 16-bit index names but the one the header cannot count.
    EXPECT_EQ(PenWidthsDrawn(Metafile(Repeated(Pen(2), 65534) + Pen(7) + Select(65534) + kEllipse)),
              std::vector<double>{7});
    // 300,000 objects made, 240,000 of them deleted as soon as made: the
    // table stays 60,000 full, and each of those takes the same slot.
    const QByteArray churn = Pen(3) + Delete(60000);
    EXPECT_EQ(PenWidthsDrawn(Metafile(Repeated(Pen(2), 60000) + Repeated(churn, 240000) + Pen(5) +
                                      Select(60000) + kEllipse)),
              std::vector<double>{5});
    // Nested as deep as the bound allows, and far more states saved in all.
    EXPECT_EQ(PenWidthsDrawn(Metafile(Pen(4) + Select(0) + Repeated(kSave, 1024) + kEllipse +
                                      Repeated(kRestore, 1024) + Repeated(kSave + kRestore, 5000) +
                                      kEllipse)),
              (std::vector<double>{4, 4}));
    // Restoring a state brings its pen back.
    EXPECT_EQ(PenWidthsDrawn(Metafile(Pen(2) + Pen(6) + Select(0) + kSave + Select(1) + kEllipse +
                                      kRestore + kEllipse)),
              (std::vector<double>{6, 2}));
}

} // namespace

namespace {

// "Hello" in Arial of that height at (10, y), black on the picture's background.
QByteArray HelloText(int height, int y)
{
    std::vector<int> font{height, 0, 0, 0, 400, 0, 0, 0, 0};
    for (const char *pair : {"Ar", "ia", "l\0"})
        font.push_back(quint8(pair[0]) | quint8(pair[1]) << 8);
    std::vector<int> text{5};
    for (const char *pair : {"He", "ll", "o\0"})
        text.push_back(quint8(pair[0]) | quint8(pair[1]) << 8);
    text.push_back(y);
    text.push_back(10);
    return Record(0x02FB, font) + Select(0) + Record(0x0521, text);
}

int PixelsUnlikeTheCorner(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != image.pixel(0, 0);
    return count;
}

TEST(MetafileWork, TextIsPaintedUnderFlippedAndStretchedWindows)
{
    // The window a file set when Qt's glyph cache read past a glyph: 99
    // units wide, 1180 high and upside down.
    struct Case {
        int height, width, fontHeight, y;
    };
    for (const Case &c : {Case{100, 100, 20, 10}, Case{-1180, 99, 200, -600}}) {
        const QImage image =
            formats::RenderWmf(Metafile(Record(0x020C, {c.height, c.width}) + HelloText(c.fontHeight, c.y)));
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(PixelsUnlikeTheCorner(image), 0) << "no text with the window " << c.width << " x " << c.height;
    }
}

} // namespace
