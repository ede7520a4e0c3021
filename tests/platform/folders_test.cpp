// Folder names on drive letters and on POSIX paths, the drives, and the
// file masks of the image browser.

#include "platform/storage/Folders.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace testing_support;
using namespace platform;

namespace {

class FoldersTest : public SandboxTest {};

TEST_F(FoldersTest, FolderNamesOnBothKindsOfDrive)
{
    struct Case {
        const char *folder, *root, *child, *childOfRoot;
        QStringList steps;
    } cases[] = {
        {"C:\\Windows", "C:\\", "C:\\Windows\\x", "C:\\x", {"Windows"}},
        {"c:\\Windows\\Web\\", "C:\\", "c:\\Windows\\Web\\x", "C:\\x", {"Windows", "Web"}},
        {"C:\\", "C:\\", "C:\\x", "C:\\x", {}},
        {"D:", "D:\\", "D:\\x", "D:\\x", {}},
        {"/home/ann", "/", "/home/ann/x", "/x", {"home", "ann"}},
        {"/", "/", "/x", "/x", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(RootOf(c.folder), c.root);
        EXPECT_EQ(ChildFolder(c.folder, "x"), c.child);
        EXPECT_EQ(ChildFolder(RootOf(c.folder), "x"), c.childOfRoot);
        EXPECT_EQ(FolderSteps(c.folder), c.steps);
    }
}

TEST_F(FoldersTest, DrivesAreDriveCTheLinkedLettersHomeAndRoot)
{
    const QString links =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/gardlock/dosdevices";
    QDir().mkpath(links);
    QDir().mkpath(home() + "/disk");
    ASSERT_TRUE(QFile::link(home() + "/disk", links + "/e:"));
    ASSERT_TRUE(QFile::link(home() + "/no disk", links + "/a:"));
    WriteBytes(links + "/readme", "not a drive");

    const std::vector<DriveEntry> drives = ListDrives();
    QStringList names, roots;
    for (const DriveEntry &d : drives) {
        names << d.name;
        roots << d.root;
    }
    EXPECT_EQ(names, (QStringList{"a:", "c:", "e:", "home", "/"}));
    EXPECT_EQ(roots, (QStringList{"A:\\", "C:\\", "E:\\", QDir::homePath(), "/"}));
    EXPECT_FALSE(FolderExists("A:\\"));
    EXPECT_TRUE(FolderExists("E:\\"));
    EXPECT_TRUE(FolderExists("c:\\"));

    struct Case {
        QString folder, drive;
    } cases[] = {
        {"C:\\Windows", "c:"},          {"c:\\", "c:"},      {"E:", "e:"},        {home(), "home"},
        {home() + "/Pictures", "home"}, {home() + "x", "/"}, {"/usr/share", "/"}, {"Q:\\", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DriveNameOf(c.folder, drives), c.drive) << c.folder.toStdString();
}

TEST_F(FoldersTest, MasksMatchWithoutRegardToCaseAndStarDotStarMatchesEverything)
{
    const QString folder = home() + "/pics";
    QDir().mkpath(folder + "/sub.jpg");
    for (const char *name : {"A.BMP", "b.bmp", "c.jpeg", "d.jpg", "README", ".hidden.jpg", "e.bmp.txt"})
        WriteBytes(folder + "/" + name, "x");
    struct Case {
        const char *pattern;
        QStringList names;
    } cases[] = {
        {"*.bmp", {"A.BMP", "b.bmp"}},
        {"*.jpg;*.bmp", {"A.BMP", "b.bmp", "d.jpg"}},
        {"*.jpg; *.bmp", {"A.BMP", "b.bmp", "d.jpg"}},
        {"*.*", {"A.BMP", "b.bmp", "c.jpeg", "d.jpg", "e.bmp.txt", "README"}},
        {"", {"A.BMP", "b.bmp", "c.jpeg", "d.jpg", "e.bmp.txt", "README"}},
        {"*.gif", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MatchingFiles(folder, c.pattern), c.names) << c.pattern;
    EXPECT_EQ(SubFolders(folder), QStringList{"sub.jpg"});
    EXPECT_TRUE(MatchingFiles(home() + "/missing", "*.*").isEmpty());
    EXPECT_TRUE(MatchingFiles("B:\\", "*.*").isEmpty());
}

} // namespace
