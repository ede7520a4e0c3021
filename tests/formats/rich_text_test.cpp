// The RTF reader against ordinary and hostile input: formatting, and input
// built to exhaust the stack, memory or time.

#include "formats/RichText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QTextDocument> Read(const QByteArray &rtf)
{
    return std::unique_ptr<QTextDocument>(formats::RtfToDocument(rtf, nullptr));
}

QTextCharFormat FormatAt(QTextDocument &doc, int position)
{
    QTextCursor cursor(&doc);
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

TEST(RichText, RecognisesRichTextByItsOpening)
{
    EXPECT_TRUE(formats::IsRtf("{\\rtf1 x}"));
    EXPECT_TRUE(formats::IsRtf("  \r\n{\\rtf1 x}"));
    EXPECT_FALSE(formats::IsRtf("{\\b x}"));
    EXPECT_FALSE(formats::IsRtf("rtf"));
    EXPECT_FALSE(formats::IsRtf(""));
}

TEST(RichText, ReadsTextFormattingAndSpecialCharacters)
{
    auto doc = Read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                    "{\\b B}{\\i I}{\\ul U}{\\cf1 R}{\\fs48 L}\\par caf\\'e9 \\u8364? x}");
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("BIURL\ncaf\xC3\xA9 \xE2\x82\xAC x"));
    EXPECT_EQ(FormatAt(*doc, 0).fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatAt(*doc, 1).fontItalic());
    EXPECT_TRUE(FormatAt(*doc, 2).fontUnderline());
    EXPECT_EQ(FormatAt(*doc, 3).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(*doc, 4).fontPointSize(), 24.0);
    EXPECT_EQ(FormatAt(*doc, 0).fontPointSize(), 12.0);
}

TEST(RichText, DeepNestingNeitherOverflowsNorLosesText)
{
    for (const int depth : {100, 100000, 1000000}) {
        SCOPED_TRACE(depth);
        const QByteArray rtf =
            "{\\rtf1 a" + QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + " b}";
        auto doc = Read(rtf);
        EXPECT_EQ(doc->toPlainText(), "adeep b");
        EXPECT_EQ(FormatAt(*doc, 1).fontWeight(), QFont::Bold);
        EXPECT_EQ(FormatAt(*doc, 6).fontWeight(), QFont::Normal); // the groups' end undoes it
    }
}

TEST(RichText, UnbalancedGroupsAreTolerated)
{
    const QByteArray cases[] = {
        "{\\rtf1 {{{{ open",
        "{\\rtf1 close}}}}}}}} more",
        QByteArray("{\\rtf1 ") + QByteArray(200000, '}'),
        "{\\rtf1 \\",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'4",
    };
    for (const QByteArray &rtf : cases) {
        SCOPED_TRACE(rtf.left(20).toStdString());
        auto doc = Read(rtf);
        EXPECT_NE(doc, nullptr);
    }
    EXPECT_EQ(Read("{\\rtf1 {{{{ open")->toPlainText(), " open");
    EXPECT_EQ(Read("{\\rtf1 close}}}}}}}} more")->toPlainText(), "close more");
}

TEST(RichText, HugeNumbersInControlWordsAreHeldToSaneValues)
{
    struct Case {
        QByteArray rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1 \\fs99999999999999999999999 big}", "big"},
        {"{\\rtf1 \\fs-2147483648 small}", "small"},
        {"{\\rtf1 \\uc2147483647\\u65 12345678after}", QString(QChar(65)) + "after"}, // fallback of 8 at most
        {"{\\rtf1 \\u-99999999999? x}", QString(QChar(0x8000)) + " x"},
        {"{\\rtf1 \\u99999999999? x}", QString(QChar(0xFFFF)) + " x"},
        {"{\\rtf1 \\cf2147483647 c\\cf-5 d}", "cd"},
        {"{\\rtf1 {\\colortbl\\red99999999999\\green-1\\blue3;}\\cf1 e}", "e"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rtf.toStdString());
        auto doc = Read(c.rtf);
        EXPECT_EQ(doc->toPlainText(), c.text);
        const double points = FormatAt(*doc, 0).fontPointSize();
        EXPECT_GE(points, 0.5);
        EXPECT_LE(points, 400.0);
    }
}

TEST(RichText, BinaryDataIsSkippedAndRandomBytesDoNoHarm)
{
    EXPECT_EQ(Read(QByteArray("{\\rtf1 a\\bin5 \0{\\}x b}", 21))->toPlainText(), "a b");
    EXPECT_EQ(Read("{\\rtf1 a\\bin99999999999 xyz")->toPlainText(), "a");
    EXPECT_EQ(Read("{\\rtf1 a\\bin-4 b}")->toPlainText(), "ab");

    // Pseudo-random bytes behind the opening, and a colour table of a
    // million entries: read without a crash, in bounded memory.
    QByteArray noise = "{\\rtf1 ";
    quint32 state = 12345;
    for (int i = 0; i < 1 << 20; ++i) {
        state = state * 1103515245u + 12345u;
        noise += char(state >> 24);
    }
    EXPECT_NE(Read(noise), nullptr);
    auto colours = Read("{\\rtf1 {\\colortbl" + QByteArray(1 << 20, ';') + "}\\cf4095 x\\cf5000 y}");
    EXPECT_EQ(colours->toPlainText(), "xy");
}

} // namespace
