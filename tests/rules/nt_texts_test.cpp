#include "support/NtTextFiles.h"

#include <QDir>
#include <QTest>

using testing_support::NtTextsTest;

namespace {

TEST_F(NtTextsTest, WritesOneQuotedRecordPerFileAndReadsItBack)
{
    const NtLockTexts texts{QString::fromUtf8("Locked \u00e9t\u00e9"), "", "two\r\nlines\r\n", "a, b"};
    ASSERT_TRUE(WriteNtLockTexts(texts));
    EXPECT_EQ(FileBytes(), (QList<QByteArray>{"\"Locked \xe9t\xe9\"\r\n", "\"\"\r\n",
                                              "\"two\r\nlines\r\n\"\r\n", "\"a, b\"\r\n"}));
    const auto read = ReadNtLockTexts();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, texts);
}

TEST_F(NtTextsTest, ReadingFollowsTheFieldRule)
{
    // A quote inside a saved text ends it; an unquoted line stops at its comma;
    // leading blank lines and spaces are skipped; only the first item counts.
    WriteAll(
        {"\"say \"hi\" there\"\r\n", "plain, after comma\r\n", "\r\n  \"third\"\r\n\"x\"", "\"fourth\"\r\n"});
    const auto read = ReadNtLockTexts();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, (NtLockTexts{"say ", "plain", "third", "fourth"}));
}

TEST_F(NtTextsTest, AnyMissingEmptyOrUnreadableFileFailsTheWholeRead)
{
    const QList<QByteArray> good{"\"a\"\r\n", "\"b\"\r\n", "\"c\"\r\n", "\"d\"\r\n"};
    for (int broken = 0; broken < 4; ++broken) {
        for (const char *how : {"missing", "empty", "folder"}) {
            WriteAll(good);
            QFile::remove(file(broken));
            if (QByteArray(how) == "empty")
                WriteBytes(file(broken), "");
            else if (QByteArray(how) == "folder")
                QDir().mkpath(file(broken));
            EXPECT_FALSE(ReadNtLockTexts().has_value()) << broken << " " << how;
            QDir(file(broken)).removeRecursively();
        }
    }
}

TEST_F(NtTextsTest, AFailedWriteStopsAtTheFailingFile)
{
    WriteAll({"\"old0\"\r\n", "\"old1\"\r\n", "\"old2\"\r\n", "\"old3\"\r\n"});
    QFile::remove(file(2));
    QDir().mkpath(file(2) + "/occupied"); // cannot be replaced by a file
    EXPECT_FALSE(WriteNtLockTexts({"n0", "n1", "n2", "n3"}));
    EXPECT_EQ(ReadBytes(file(0)), "\"n0\"\r\n");
    EXPECT_EQ(ReadBytes(file(1)), "\"n1\"\r\n");
    EXPECT_TRUE(QFileInfo(file(2)).isDir());
    EXPECT_EQ(ReadBytes(file(3)), "\"old3\"\r\n");
}

} // namespace
