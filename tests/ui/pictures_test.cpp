// The shared picture loader: stored Windows-style paths, damaged and
// oversized files, and decoding no larger than asked.

#include "support/PictureFiles.h"
#include "support/Sandbox.h"
#include "ui/Pictures.h"
#include "ui/WindowServices.h"

#include <QDir>
#include <QFile>

using namespace testing_support;

namespace {

class PicturesTest : public SandboxTest {};

TEST_F(PicturesTest, StoredPathsResolveThroughDriveC)
{
    WriteBytes(driveC() + "/sky.bmp", SolidPicture(16, 8, Qt::blue, "BMP"));
    for (const char *path : {"C:\\\\sky.bmp", "C:\\sky.bmp", "c:/sky.bmp"}) {
        const QImage image = ReadPictureFile(path);
        EXPECT_EQ(image.size(), QSize(16, 8)) << path;
    }
    EXPECT_TRUE(ReadPictureFile(driveC() + "/sky.bmp").pixelColor(0, 0) == QColor(Qt::blue));
    EXPECT_TRUE(ReadPictureFile("B:\\sky.bmp").isNull()); // no such drive
    EXPECT_TRUE(ReadPictureFile("").isNull());
    EXPECT_TRUE(ReadPictureFile(driveC()).isNull()); // a folder
}

TEST_F(PicturesTest, DamagedFilesGiveNoPicture)
{
    for (const BadPicture &bad : BadPictures()) {
        const QString path = home() + "/" + bad.name;
        WriteBytes(path, bad.bytes);
        EXPECT_TRUE(ReadPictureFile(path).isNull()) << bad.name;
        EXPECT_TRUE(ReadPictureFile(path, QSize(300, 200)).isNull()) << bad.name;
    }
    // The same JPEG whole is fine.
    WriteBytes(home() + "/whole.jpg", SolidPicture(200, 150, Qt::green, "JPG"));
    EXPECT_EQ(ReadPictureFile(home() + "/whole.jpg").size(), QSize(200, 150));
}

TEST_F(PicturesTest, DeclaredSizeIsCheckedBeforeDecoding)
{
    struct Case {
        quint32 width, height;
    } cases[] = {{30000, 30000}, {100001, 1000}, {1, 200000000}};
    for (const Case &c : cases) {
        WriteBytes(home() + "/big.png", PngDeclaring(c.width, c.height));
        EXPECT_TRUE(ReadPictureFile(home() + "/big.png").isNull()) << c.width << "x" << c.height;
    }
}

TEST_F(PicturesTest, FilesPastTheSizeLimitAreRefusedWhateverTheirHeadHolds)
{
    // Each would decode from its first bytes: only its size refuses it.
    const QByteArray red = SolidPicture(40, 30, Qt::red, "BMP");
    struct Case {
        const char *name;
        QByteArray head;
        qint64 size;
        bool shown;
    } cases[] = {
        {"at.bmp", red, kMaxPictureFileBytes, true},
        {"past.bmp", red, kMaxPictureFileBytes + 1, false},
        {"past.gif", TinyGif(), kMaxPictureFileBytes + 1, false},
        {"past.jpg", SolidPicture(40, 30, Qt::red, "JPG"), kMaxPictureFileBytes + 1, false},
        // Whole and valid, 75 MB of pixels: its first 64 MiB are two thirds of it.
        {"huge.bmp", BmpHead(5000, 5000), BmpFileSize(5000, 5000), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = home() + "/" + c.name;
        WriteSparse(path, c.head, c.size);
        EXPECT_EQ(!ReadPictureFile(path).isNull(), c.shown);
        EXPECT_EQ(!ReadPictureFile(path, QSize(300, 200)).isNull(), c.shown);
        QFile::remove(path);
    }
}

TEST_F(PicturesTest, DecodesNoLargerThanAskedKeepingProportions)
{
    struct Case {
        const char *format;
        QSize picture, fit, expected;
    } cases[] = {
        {"JPG", {1200, 800}, {300, 300}, {300, 200}},
        {"BMP", {800, 1200}, {300, 300}, {200, 300}},
        {"PNG", {100, 50}, {300, 300}, {100, 50}}, // small pictures keep their size
        {"JPG", {1200, 800}, {}, {1200, 800}},
    };
    for (const Case &c : cases) {
        const QString path = home() + "/p." + QString(c.format).toLower();
        WriteBytes(path, SolidPicture(c.picture.width(), c.picture.height(), Qt::red, c.format));
        const QImage image = ReadPictureFile(path, c.fit);
        EXPECT_NEAR(image.width(), c.expected.width(), 1) << c.format;
        EXPECT_NEAR(image.height(), c.expected.height(), 1) << c.format;
    }
}

TEST_F(PicturesTest, PictureControlsDecodeNoLargerThanTheyShow)
{
    WriteBytes(home() + "/photo.jpg", SolidPicture(2000, 1000, Qt::green, "JPG"));
    struct Case {
        bool keepProportions;
        QRect shownIn;
    } cases[] = {{false, {0, 0, 400, 400}}, {true, {0, 100, 400, 200}}};
    for (const Case &c : cases) {
        PictureBox box;
        box.resize(400, 400);
        box.SetKeepProportions(c.keepProportions);
        ASSERT_TRUE(box.LoadPicture(home() + "/photo.jpg"));
        EXPECT_EQ(box.Picture().size(), QSize(400, 200));
        EXPECT_EQ(box.PictureRect(), c.shownIn);
    }
}

TEST_F(PicturesTest, JpegCompletenessFollowsTheLastScan)
{
    const QByteArray jpeg = SolidPicture(64, 64, Qt::red, "JPG");
    EXPECT_TRUE(JpegIsComplete(jpeg));
    EXPECT_TRUE(JpegIsComplete(jpeg + QByteArray(100, '\0'))); // padding after the end
    EXPECT_FALSE(JpegIsComplete(jpeg.chopped(2)));
    EXPECT_FALSE(JpegIsComplete(jpeg.left(jpeg.indexOf("\xFF\xDA") + 10)));
    EXPECT_FALSE(JpegIsComplete(QByteArray("\xFF\xD8\xFF\xD9", 4))); // no scan at all
}

} // namespace
