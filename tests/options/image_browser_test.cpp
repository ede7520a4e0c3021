// The image browser: its start, the pattern list, the drives (ready or not),
// the folder list, the file choice with good and damaged pictures, and the
// doubled separator at a drive's root that the locks still find.

#include "lock/frmBackground.h"
#include "lock/frmNormalLock.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/Settings.h"
#include "options/Options.h"
#include "options/frmImageBrowser.h"
#include "support/PictureFiles.h"
#include "support/Sandbox.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace testing_support;

namespace {

const QString kBadPicture = QStringLiteral(
    "The selected file is either a corrupt graphic file or the file is in an unsupported format!");

class ImageBrowserTest : public SandboxTest {
protected:
    frmImageBrowser &Open()
    {
        frmImageBrowser &form = Forms::Get<frmImageBrowser>();
        form.show();
        return form;
    }
    QString Windows() const { return driveC() + "/Windows"; }
    void Put(const QString &folder, const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(folder);
        WriteBytes(folder + "/" + name, bytes);
    }
    static void Click(frmImageBrowser &form, const QString &name)
    {
        const QList<QListWidgetItem *> items = form.FileList->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        form.FileList->setCurrentItem(items.first());
        form.onFileListClick();
    }
    // A drive letter's link under dosdevices.
    static void LinkDrive(char letter, const QString &target)
    {
        const QString links =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/gardlock/dosdevices";
        QDir().mkpath(links);
        ASSERT_TRUE(QFile::link(target, links + "/" + letter + ":"));
    }
};

TEST_F(ImageBrowserTest, PatternOfAnEntryIsTheTextBetweenItsFirstParentheses)
{
    struct Case {
        const char *entry, *pattern;
    } cases[] = {
        {"Bitmaps (*.bmp)", "*.bmp"},
        {"Matafiles (*.wmf)", "*.wmf"},
        {"All Supported Formats (*.gif;*.jpg;*.ico;*.bmp;*.wmf;*.dib)",
         "*.gif;*.jpg;*.ico;*.bmp;*.wmf;*.dib"},
        {"All Files (*.*)", "*.*"},
        {"Two (*.a) (*.b)", "*.a"},
        {"Nested ((*.x))", "(*.x"},
        {"Empty ()", ""},
        {"No parentheses", ""},
        {"Backwards )*.x(", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(frmImageBrowser::PatternOf(c.entry), c.pattern) << c.entry;
}

TEST_F(ImageBrowserTest, OpensAtWindowsWithAllSupportedFormats)
{
    ASSERT_FALSE(QDir(Windows()).exists());
    frmImageBrowser &form = Open();
    EXPECT_TRUE(QDir(Windows()).exists());
    EXPECT_EQ(form.windowTitle(), "Browse for image");
    EXPECT_EQ(form.DirList->Path(), "C:\\Windows");
    EXPECT_EQ(form.FileList->Path(), "C:\\Windows");
    EXPECT_EQ(form.DriveList->Drive(), "c:");
    QStringList entries;
    for (int i = 0; i < form.PatternCombo->count(); ++i)
        entries << form.PatternCombo->itemText(i);
    EXPECT_EQ(entries, (QStringList{"Bitmaps (*.bmp)", "GIF (*.gif)", "JPEG (*.jpg)", "Icons (*.ico)",
                                    "Matafiles (*.wmf)", "DIBs (*.dib)",
                                    "All Supported Formats (*.gif;*.jpg;*.ico;*.bmp;*.wmf;*.dib)",
                                    "All Files (*.*)"}));
    EXPECT_EQ(form.PatternCombo->currentIndex(), 6);
    EXPECT_EQ(form.FileList->Pattern(), "*.gif;*.jpg;*.ico;*.bmp;*.wmf;*.dib");
    EXPECT_FALSE(form.cmdAccept1->isVisible());
    EXPECT_FALSE(form.cmdAccept2->isVisible());
    EXPECT_FALSE(form.lblChosenPath->isVisible());
}

TEST_F(ImageBrowserTest, EachPatternListsItsFiles)
{
    for (const char *name :
         {"a.bmp", "b.GIF", "c.jpg", "d.ico", "e.wmf", "f.dib", "g.png", "h.txt", "README", ".hidden.bmp"})
        Put(Windows(), name, "x");
    QDir().mkpath(Windows() + "/folder.bmp");
    struct Case {
        int index;
        QStringList names;
    } cases[] = {
        {0, {"a.bmp"}},
        {1, {"b.GIF"}},
        {2, {"c.jpg"}},
        {3, {"d.ico"}},
        {4, {"e.wmf"}},
        {5, {"f.dib"}},
        {6, {"a.bmp", "b.GIF", "c.jpg", "d.ico", "e.wmf", "f.dib"}},
        {7, {"a.bmp", "b.GIF", "c.jpg", "d.ico", "e.wmf", "f.dib", "g.png", "h.txt", "README"}},
    };
    frmImageBrowser &form = Open();
    for (const Case &c : cases) {
        form.PatternCombo->setCurrentIndex(c.index);
        EXPECT_EQ(form.FileList->Names(), c.names) << c.index;
    }
}

TEST_F(ImageBrowserTest, GoodFileSetsCaptionChosenPathAndPreview)
{
    Put(Windows(), "sky.bmp", SolidPicture(300, 100, Qt::blue, "BMP"));
    frmImageBrowser &form = Open();
    Click(form, "sky.bmp");
    EXPECT_EQ(form.windowTitle(), "Browse for image [C:\\Windows\\sky.bmp]");
    EXPECT_EQ(form.lblChosenPath->text(), "C:\\Windows\\sky.bmp");
    ASSERT_TRUE(form.FileImage->HasPicture());
    // Scaled into the preview with its proportions kept.
    const QRect shown = form.FileImage->PictureRect();
    EXPECT_EQ(shown.width(), form.FileImage->width());
    EXPECT_NEAR(shown.height(), form.FileImage->width() / 3, 1);
    EXPECT_EQ(form.FileImage->Picture().pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_TRUE(dialogs().events.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ImageBrowserTest, DamagedFilesBeepAndSayWhileThePreviewKeepsThePreviousPicture)
{
    Put(Windows(), "good.bmp", SolidPicture(40, 40, Qt::red, "BMP"));
    for (const BadPicture &bad : BadPictures())
        Put(Windows(), bad.name, bad.bytes);
    Put(Windows(), "vanishing.bmp", SolidPicture(40, 40, Qt::green, "BMP"));
    frmImageBrowser &form = Open();
    form.PatternCombo->setCurrentIndex(7);
    QStringList names;
    for (const BadPicture &bad : BadPictures())
        names << bad.name;
    names << "vanishing.bmp";
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        Click(form, "good.bmp");
        ASSERT_TRUE(form.FileImage->HasPicture());
        dialogs().events.clear();
        dialogs().boxes.clear();
        if (name == "vanishing.bmp")
            QFile::remove(Windows() + "/" + name); // gone between listing and click
        Click(form, name);
        EXPECT_EQ(dialogs().events, (QStringList{"beep", "box:" + kBadPicture}));
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Critical);
        EXPECT_EQ(dialogs().boxes[0].title, "Gardlock 2001");
        EXPECT_EQ(form.lblChosenPath->text(), "C:\\Windows\\" + name);
        EXPECT_EQ(form.windowTitle(), "Browse for image [C:\\Windows\\" + name + "]");
        EXPECT_EQ(form.FileImage->Picture().pixelColor(5, 5), QColor(Qt::red));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    // Accept still hands over the file that failed.
    form.cmdAccept2->show();
    QTest::mouseClick(form.cmdAccept2, Qt::LeftButton);
    EXPECT_EQ(Forms::Get<Options>().txtNtPath->text(), "C:\\Windows\\vanishing.bmp");
}

TEST_F(ImageBrowserTest, OversizedFilesAreRefusedAndNoFailedLoadChangesThePreview)
{
    Put(Windows(), "good.bmp", SolidPicture(40, 40, Qt::red, "BMP"));
    Put(Windows(), "blue.bmp", SolidPicture(40, 40, Qt::blue, "BMP"));
    Put(Windows(), "text.bmp", "hello, I am text");
    // Past the size limit, each holding a picture its first bytes would show.
    WriteSparse(Windows() + "/huge.bmp", BmpHead(5000, 5000), BmpFileSize(5000, 5000));
    WriteSparse(Windows() + "/padded.gif", TinyGif(), kMaxPictureFileBytes + 1);
    WriteSparse(Windows() + "/padded.jpg", SolidPicture(40, 40, Qt::green, "JPG"), kMaxPictureFileBytes + 1);

    enum class Shown { Previous, Nothing, Blue };
    struct Case {
        const char *name;
        const char *clicked; // a click in the browser's file list, or else
        const char *browsed; // the path in Options' box when its browse is pressed
        bool message;
        Shown preview;
    };
    const Case cases[] = {
        {"click: oversized bitmap", "huge.bmp", nullptr, true, Shown::Previous},
        {"click: padded GIF", "padded.gif", nullptr, true, Shown::Previous},
        {"click: padded JPEG", "padded.jpg", nullptr, true, Shown::Previous},
        {"browse: oversized bitmap", nullptr, "C:\\Windows\\huge.bmp", false, Shown::Previous},
        {"browse: missing file", nullptr, "C:\\Windows\\gone.bmp", false, Shown::Previous},
        {"browse: not a picture", nullptr, "C:\\Windows\\text.bmp", false, Shown::Previous},
        {"browse: a folder", nullptr, "C:\\Windows", false, Shown::Previous},
        {"browse: no drive", nullptr, "Q:\\sky.bmp", false, Shown::Previous},
        {"browse: empty path", nullptr, "", false, Shown::Nothing},
        {"browse: a good picture", nullptr, "C:\\Windows\\blue.bmp", false, Shown::Blue},
    };
    Options &options = Forms::Get<Options>();
    options.show();
    options.cmdNormalBrowse->click();
    frmImageBrowser *browser = Forms::IfLoaded<frmImageBrowser>();
    ASSERT_NE(browser, nullptr);
    browser->PatternCombo->setCurrentIndex(7);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Click(*browser, "good.bmp");
        ASSERT_EQ(browser->FileImage->Picture().pixelColor(5, 5), QColor(Qt::red));
        const QImage before = browser->FileImage->Picture();
        dialogs().events.clear();
        dialogs().boxes.clear();
        if (c.clicked) {
            Click(*browser, c.clicked);
        } else {
            options.txtNormalPath->setText(c.browsed);
            options.cmdNormalBrowse->click();
            EXPECT_EQ(browser->lblChosenPath->text(), c.browsed);
        }
        EXPECT_EQ(Forms::IfLoaded<frmImageBrowser>(), browser);
        if (c.message)
            EXPECT_EQ(dialogs().events, (QStringList{"beep", "box:" + kBadPicture}));
        else
            EXPECT_TRUE(dialogs().events.isEmpty());
        switch (c.preview) {
        case Shown::Previous:
            EXPECT_EQ(browser->FileImage->Picture(), before);
            break;
        case Shown::Nothing:
            EXPECT_FALSE(browser->FileImage->HasPicture());
            break;
        case Shown::Blue:
            EXPECT_EQ(browser->FileImage->Picture().pixelColor(5, 5), QColor(Qt::blue));
            break;
        }
    }
}

TEST_F(ImageBrowserTest, DriveRootDoublesTheSeparatorAndTheNormalLockStillFindsThePicture)
{
    Put(driveC(), "sky.bmp", SolidPicture(64, 48, QColor(0, 128, 255), "BMP"));
    frmImageBrowser &form = Open();
    form.DriveList->setCurrentIndex(form.DriveList->findData("/")); // elsewhere first
    form.DriveList->setCurrentIndex(form.DriveList->findData("c:"));
    EXPECT_EQ(form.DirList->Path(), "C:\\");
    Click(form, "sky.bmp");
    EXPECT_EQ(form.lblChosenPath->text(), "C:\\\\sky.bmp");
    EXPECT_EQ(form.windowTitle(), "Browse for image [C:\\\\sky.bmp]");
    EXPECT_TRUE(form.FileImage->HasPicture());
    form.cmdAccept1->show();
    QTest::mouseClick(form.cmdAccept1, Qt::LeftButton);
    Options &options = Forms::Get<Options>();
    EXPECT_EQ(options.txtNormalPath->text(), "C:\\\\sky.bmp");
    QTest::mouseClick(options.cmdNormalSave, Qt::LeftButton);
    EXPECT_EQ(settings::Read(settings::Background1), "C:\\\\sky.bmp");

    // Both locks find the picture under the path as it was handed over.
    ASSERT_TRUE(settings::Write(settings::Background2, options.txtNormalPath->text()));
    for (Form *lock : {static_cast<Form *>(&Forms::Get<frmNormalLock>()),
                       static_cast<Form *>(&Forms::Get<frmBackground>())}) {
        auto *background = lock->findChild<PictureBox *>("picBackground");
        ASSERT_NE(background, nullptr) << lock->objectName().toStdString();
        EXPECT_TRUE(background->HasPicture()) << lock->objectName().toStdString();
    }
}

TEST_F(ImageBrowserTest, DrivesThatAreNotReadyBeepAndLeaveTheLists)
{
    const QString floppy = home() + "/floppy";
    LinkDrive('a', floppy); // its target is missing: no disk
    Put(home() + "/disk", "d.bmp", SolidPicture(8, 8, Qt::red, "BMP"));
    LinkDrive('d', home() + "/disk");
    Put(Windows(), "w.bmp", "x");
    frmImageBrowser &form = Open();
    ASSERT_GE(form.DriveList->findData("a:"), 0);

    form.DriveList->setCurrentIndex(form.DriveList->findData("a:"));
    EXPECT_EQ(dialogs().beeps, 1);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(form.DirList->Path(), "C:\\Windows");
    EXPECT_EQ(form.FileList->Names(), QStringList{"w.bmp"});
    EXPECT_EQ(form.DriveList->Drive(), "c:");

    form.DriveList->setCurrentIndex(form.DriveList->findData("d:"));
    EXPECT_EQ(form.DirList->Path(), "D:\\");
    EXPECT_EQ(form.FileList->Names(), QStringList{"d.bmp"});
    Click(form, "d.bmp");
    EXPECT_EQ(form.lblChosenPath->text(), "D:\\\\d.bmp");
    EXPECT_TRUE(form.FileImage->HasPicture());

    // The disk goes in: the same drive can now be entered.
    QDir().mkpath(floppy);
    form.DriveList->setCurrentIndex(form.DriveList->findData("a:"));
    EXPECT_EQ(form.DirList->Path(), "A:\\");
    EXPECT_EQ(dialogs().beeps, 1);
}

TEST_F(ImageBrowserTest, FolderListWalksDownAndUpAndTheHomeDriveUsesPosixPaths)
{
    Put(Windows() + "/Web/Wallpaper", "tree.jpg", SolidPicture(8, 8, Qt::green, "JPG"));
    QDir().mkpath(Windows() + "/.cache");
    frmImageBrowser &form = Open();
    const auto entries = [&] {
        QStringList texts;
        for (int i = 0; i < form.DirList->count(); ++i)
            texts << form.DirList->item(i)->text().trimmed();
        return texts;
    };
    EXPECT_EQ(entries(), (QStringList{"C:\\", "Windows", "Web"}));
    const auto enter = [&](const QString &text) {
        for (int i = 0; i < form.DirList->count(); ++i)
            if (form.DirList->item(i)->text().trimmed() == text)
                Q_EMIT form.DirList->itemActivated(form.DirList->item(i));
    };
    enter("Web");
    enter("Wallpaper");
    EXPECT_EQ(form.DirList->Path(), "C:\\Windows\\Web\\Wallpaper");
    EXPECT_EQ(form.FileList->Names(), QStringList{"tree.jpg"});
    enter("C:\\");
    EXPECT_EQ(form.DirList->Path(), "C:\\");
    EXPECT_EQ(entries(), (QStringList{"C:\\", "Windows"}));

    Put(home() + "/Pictures", "me.bmp", SolidPicture(8, 8, Qt::green, "BMP"));
    form.DriveList->setCurrentIndex(form.DriveList->findData("home"));
    EXPECT_EQ(form.DirList->Path(), home());
    enter("Pictures");
    Click(form, "me.bmp");
    EXPECT_EQ(form.lblChosenPath->text(), home() + "/Pictures/me.bmp");
    EXPECT_TRUE(form.FileImage->HasPicture());
}

TEST_F(ImageBrowserTest, KeysMoveTheChoiceLikeClicks)
{
    Put(Windows(), "a.bmp", SolidPicture(8, 8, Qt::red, "BMP"));
    Put(Windows(), "b.bmp", SolidPicture(8, 8, Qt::blue, "BMP"));
    frmImageBrowser &form = Open();
    form.FileList->setFocus();
    form.FileList->setCurrentRow(0);
    QTest::keyClick(form.FileList, Qt::Key_Down);
    EXPECT_EQ(form.lblChosenPath->text(), "C:\\Windows\\b.bmp");
    EXPECT_EQ(form.FileImage->Picture().pixelColor(1, 1), QColor(Qt::blue));
}

} // namespace
