#include "options/EditTextNT.h"
#include "rules/NtLockTexts.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testing_support::SandboxTest;

namespace {

const QString kSaveError = QStringLiteral(
    "An error has ocurred while trying to save data to your hard drive. If this problem persists, "
    "re-install Deskward again or contact Corvane Technologies.");

class NtTextsTest : public SandboxTest {
protected:
    QString file(int i) const { return NtLockTextFiles().at(i); }
    void WriteAll(const QList<QByteArray> &records)
    {
        for (int i = 0; i < records.size(); ++i)
            WriteBytes(file(i), records[i]);
    }
    QList<QByteArray> FileBytes() const
    {
        QList<QByteArray> bytes;
        for (int i = 0; i < 4; ++i)
            bytes << ReadBytes(file(i));
        return bytes;
    }
};

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

class EditTextNTTest : public NtTextsTest {
protected:
    EditTextNT &editor() { return Forms::Get<EditTextNT>(); }
    QStringList Boxes()
    {
        EditTextNT &e = editor();
        return {e.findChild<QLineEdit *>("txtCaption")->text(), e.findChild<QLineEdit *>("txtLine1")->text(),
                e.findChild<QPlainTextEdit *>("txtLine2")->toPlainText(),
                e.findChild<QPlainTextEdit *>("txtLine3")->toPlainText()};
    }
    void Click(const char *button) { editor().findChild<QPushButton *>(button)->click(); }
};

TEST_F(EditTextNTTest, FirstRunShowsTheInitialTextsAndSavesThemWithTrailingLineBreaks)
{
    EXPECT_EQ(editor().windowTitle(), "Text Editor - Gardlock 2001");
    EXPECT_EQ(Boxes(), (QStringList{"System Locked", "This PC is in use and has been locked.",
                                    "The PC can be unlocked by an authorized user.\n",
                                    "Press CTRL + SHIFT + ALT to unlock\n"}));
    Click("cmdSave");
    EXPECT_FALSE(Forms::IsLoaded<EditTextNT>());
    EXPECT_EQ(FileBytes(),
              (QList<QByteArray>{"\"System Locked\"\r\n", "\"This PC is in use and has been locked.\"\r\n",
                                 "\"The PC can be unlocked by an authorized user.\r\n\"\r\n",
                                 "\"Press CTRL + SHIFT + ALT to unlock\r\n\"\r\n"}));
    const auto read = ReadNtLockTexts();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->line2, "The PC can be unlocked by an authorized user.\r\n");
}

TEST_F(EditTextNTTest, LoadShowsTheFilesOnlyWhenAllFourRead)
{
    WriteAll({"\"Cap\"\r\n", "\"One\"\r\n", "\"Two\r\nlines\"\r\n", "\"Three\"\r\n"});
    EXPECT_EQ(Boxes(), (QStringList{"Cap", "One", "Two\nlines", "Three"}));
    Click("cmdCancel");
    QFile::remove(file(3));
    EXPECT_EQ(Boxes().first(), "System Locked"); // reloaded: three of four files are not enough
}

TEST_F(EditTextNTTest, DefaultAndClearChangeOnlyTheBoxes)
{
    WriteAll({"\"Cap\"\r\n", "\"One\"\r\n", "\"Two\"\r\n", "\"Three\"\r\n"});
    const QList<QByteArray> before = FileBytes();
    Click("cmdDefault");
    EXPECT_EQ(Boxes(), (QStringList{"System Locked", "This PC is in use and has been locked.",
                                    "The PC can be unlocked by an authorized user.",
                                    "Press CTRL + SHIFT + ALT to unlock"}));
    Click("cmdClear");
    EXPECT_EQ(Boxes(), (QStringList{"-", "-", "-", "-"}));
    Click("cmdCancel");
    EXPECT_FALSE(Forms::IsLoaded<EditTextNT>());
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(EditTextNTTest, ClearThenSaveStoresAHyphenInEachFile)
{
    Click("cmdClear");
    Click("cmdSave");
    EXPECT_EQ(FileBytes(), QList<QByteArray>(4, "\"-\"\r\n"));
    EXPECT_EQ(ReadNtLockTexts(), (NtLockTexts{"-", "-", "-", "-"}));
}

TEST_F(EditTextNTTest, AFailedSaveSaysSoAndKeepsTheEditorOpen)
{
    QDir().mkpath(file(1) + "/occupied");
    Click("cmdClear");
    Click("cmdSave");
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].text, kSaveError);
    EXPECT_EQ(dialogs().boxes[0].title, "Error!");
    EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(dialogs().boxes[0].buttons, platform::MsgButtons::OK);
    ASSERT_TRUE(Forms::IsLoaded<EditTextNT>());
    EXPECT_EQ(Boxes(), (QStringList{"-", "-", "-", "-"}));
    EXPECT_EQ(ReadBytes(file(0)), "\"-\"\r\n"); // written before the failure
    EXPECT_FALSE(QFile::exists(file(2)));
}

TEST_F(EditTextNTTest, TextsTheFilesCannotCarryAreRefusedBeforeWriting)
{
    editor().findChild<QLineEdit *>("txtLine1")->setText(QString::fromUtf8("Locked \u2603"));
    Click("cmdSave");
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_TRUE(Forms::IsLoaded<EditTextNT>());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(QFile::exists(file(i)));
}

} // namespace
