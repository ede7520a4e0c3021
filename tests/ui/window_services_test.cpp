#include "formats/RichText.h"
#include "formats/WmfReader.h"
#include "platform/ProcessFacts.h"
#include "support/MetafileBytes.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QBuffer>
#include <QImageWriter>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>

using testing_support::SandboxTest;

namespace {

class WindowServicesTest : public SandboxTest {
protected:
    QString Picture(const QString &name, const char *format)
    {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const QString path = home() + "/" + name;
        QImageWriter writer(path, format);
        EXPECT_TRUE(writer.write(image)) << format << writer.errorString().toStdString();
        return path;
    }
};

// --- pictures -------------------------------------------------------------

using testing_support::wmf::Le16;
using testing_support::wmf::Le32;
using testing_support::wmf::Record;

// A placeable metafile 100 x 100 units that fills a red rectangle over its
// left half and draws nothing on the right.
QByteArray RedLeftHalfWmf()
{
    QByteArray placeable = Le32(0x9AC6CDD7) + Le16(0) + Le16(0) + Le16(0) + Le16(100) + Le16(100) +
                           Le16(100) + Le32(0) + Le16(0);
    QByteArray header = Le16(1) + Le16(9) + Le16(0x0300) + Le32(0) + Le16(2) + Le32(0) + Le16(0);
    QByteArray records;
    records += Record(0x020B, {0, 0});                 // SetWindowOrg
    records += Record(0x020C, {100, 100});             // SetWindowExt
    records += Record(0x02FC, {0, 0x00FF, 0x0000, 0}); // CreateBrushIndirect red
    records += Record(0x012D, {0});                    // SelectObject
    records += Record(0x02FA, {5, 0, 0, 0, 0});        // CreatePenIndirect null pen
    records += Record(0x012D, {1});
    records += Record(0x041B, {100, 50, 0, 0}); // Rectangle(bottom,right,top,left)
    records += Record(0x0000, {});
    return placeable + header + records;
}

TEST_F(WindowServicesTest, PictureBoxLoadsEveryFormatKeepsItsPictureOnFailureAndClearsOnTheEmptyPath)
{
    PictureBox box;
    box.resize(40, 30);
    for (auto [name, format] : {std::pair{"p.bmp", "bmp"}, {"p.jpg", "jpeg"}, {"p.ico", "ico"}}) {
        EXPECT_TRUE(box.LoadPicture(Picture(name, format))) << name;
        EXPECT_TRUE(box.HasPicture());
    }
    // A DIB is a bitmap under another name.
    const QString dib = home() + "/p.dib";
    QFile::copy(Picture("q.bmp", "bmp"), dib);
    EXPECT_TRUE(box.LoadPicture(dib));

    // The smallest GIF: one transparent pixel.
    const QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");
    WriteBytes(home() + "/p.gif", gif);
    EXPECT_TRUE(box.LoadPicture(home() + "/p.gif"));

    WriteBytes(home() + "/p.wmf", RedLeftHalfWmf());
    EXPECT_TRUE(box.LoadPicture(home() + "/p.wmf"));

    WriteBytes(home() + "/not-a-picture.bmp", "hello, I am text");
    const QImage wmf = box.Picture();
    EXPECT_FALSE(box.LoadPicture(home() + "/not-a-picture.bmp"));
    EXPECT_EQ(box.Picture(), wmf); // a failed load changes nothing shown
    EXPECT_TRUE(box.LoadPicture(Picture("again.bmp", "bmp")));
    const QImage again = box.Picture();
    EXPECT_FALSE(box.LoadPicture(home() + "/missing.jpg"));
    EXPECT_EQ(box.Picture(), again);
    EXPECT_FALSE(box.LoadPicture(""));
    EXPECT_FALSE(box.HasPicture());
}

TEST_F(WindowServicesTest, MetafileDrawsItsShapesInPlace)
{
    const QString path = home() + "/shape.wmf";
    WriteBytes(path, RedLeftHalfWmf());
    EXPECT_TRUE(formats::LooksLikeWmf(ReadBytes(path)));
    const QImage image = formats::RenderWmf(ReadBytes(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(image.width() / 4, image.height() / 2), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(3 * image.width() / 4, image.height() / 2), QColor(255, 255, 255));

    // Cut short before its end record: refused rather than half drawn.
    QByteArray cut = RedLeftHalfWmf();
    cut.chop(10);
    WriteBytes(path, cut);
    EXPECT_TRUE(formats::RenderWmf(ReadBytes(path)).isNull());
}

TEST_F(WindowServicesTest, PolyPolygonCountsNeverReachOutsideTheirRecord)
{
    QByteArray wmf = RedLeftHalfWmf();
    wmf.chop(6); // the end record goes after the new ones
    // A triangle in the top-left corner, then records whose counts are
    // negative as signed words or far larger than the record.
    wmf += Record(0x0538, {1, 3, 0, 0, 100, 0, 0, 100});
    wmf += Record(0x0538, {0xFFFF, 0x8000, 0xFFFE, 5, 5});
    wmf += Record(0x0538, {2, 0x7FFF, 0x7FFF, 1, 2});
    wmf += Record(0x0324, {0x8001, 1, 2, 3, 4});
    wmf += Record(0x0000, {});
    const QImage image = formats::RenderWmf(wmf);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(image.width() / 10, image.height() / 10), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(9 * image.width() / 10, 9 * image.height() / 10), QColor(255, 255, 255));
}

// --- rich text --------------------------------------------------------------

TEST(RichText, RtfIsShownFormatted)
{
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                           "{\\*\\generator Hidden;}\\f0\\fs24 Plain {\\b bold} \\i italic\\i0  "
                           "{\\cf1 red}\\par caf\\'e9 \\u8364? end}";
    ASSERT_TRUE(formats::IsRtf(rtf));
    std::unique_ptr<QTextDocument> doc(formats::RtfToDocument(rtf, nullptr));
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("Plain bold italic red\ncafé € end"));

    const auto formatAt = [&](const QString &word) {
        QTextCursor cursor(doc.get());
        cursor.setPosition(doc->toPlainText().indexOf(word) + 1);
        return cursor.charFormat();
    };
    EXPECT_EQ(formatAt("bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt("Plain").fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatAt("italic").fontItalic());
    EXPECT_FALSE(formatAt("red").fontItalic());
    EXPECT_EQ(formatAt("red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(doc->blockCount(), 2);
}

TEST_F(WindowServicesTest, RichTextBoxShowsPlainFilesAsTheyAre)
{
    RichTextBox box;
    WriteBytes(home() + "/plain.txt", "{not rtf} \\b stays\r\nline two caf\xe9");
    ASSERT_TRUE(box.LoadFile(home() + "/plain.txt"));
    EXPECT_EQ(box.toPlainText(),
              QString::fromUtf8("{not rtf} \\b stays\r\nline two café").replace("\r\n", "\n"));

    WriteBytes(home() + "/news.rtf", "{\\rtf1 {\\b News}\\par}");
    ASSERT_TRUE(box.LoadFile(home() + "/news.rtf"));
    EXPECT_EQ(box.toPlainText().trimmed(), "News");

    box.setPlainText("kept");
    EXPECT_FALSE(box.LoadFile(home() + "/missing.txt"));
    EXPECT_EQ(box.toPlainText(), "kept");
}

// --- controls and small services ---------------------------------------------

TEST_F(WindowServicesTest, TextBoxLimitsLengthAndMasksWithItsCharacter)
{
    TextBox box(nullptr, 15, QChar('l'));
    box.show();
    for (int i = 0; i < 16; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QCoreApplication::sendEvent(&box, &press);
    }
    EXPECT_EQ(box.text(), QString(15, 'a'));
    EXPECT_EQ(box.displayText(), QString(15, 'l'));
}

TEST(ModifierState, ShiftCtrlAltAreOneTwoFour)
{
    EXPECT_EQ(ShiftState(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftState(Qt::ShiftModifier), 1);
    EXPECT_EQ(ShiftState(Qt::ControlModifier), 2);
    EXPECT_EQ(ShiftState(Qt::AltModifier), 4);
    EXPECT_EQ(ShiftState(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier), 7);
}

TEST_F(WindowServicesTest, MessageBoxesCarryTheApplicationTitleByDefault)
{
    dialogs().answers.push_back(platform::MsgResult::Cancel);
    EXPECT_EQ(MsgBox("Sure?", platform::MsgButtons::OKCancel), platform::MsgResult::Cancel);
    EXPECT_EQ(MsgBox("Done.", platform::MsgButtons::OK, platform::MsgIcon::Information, "Own title"),
              platform::MsgResult::OK);
    ASSERT_EQ(dialogs().boxes.size(), 2u);
    EXPECT_EQ(dialogs().boxes[0].title, "Gardlock 2001");
    EXPECT_EQ(dialogs().boxes[1].title, "Own title");
    Beep();
    EXPECT_EQ(dialogs().events, (QStringList{"box:Sure?", "box:Done.", "beep"}));
    EXPECT_EQ(app::VersionText(), "2.0");
}

} // namespace
