// The NT-style lock texts' editor, opened from Options.

#include "options/EditTextNT.h"
#include "support/NtTextFiles.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testing_support::NtTextsTest;

namespace {

const QString kSaveError = QStringLiteral(
    "An error has ocurred while trying to save data to your hard drive. If this problem persists, "
    "re-install Deskward again or contact Corvane Technologies.");

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
