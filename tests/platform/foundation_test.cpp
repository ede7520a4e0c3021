#include "formats/Cp1252.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/Settings.h"
#include "support/FullDisk.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

using testing_support::SandboxTest;

namespace {

TEST(Cp1252, EncodesAndDecodesEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = formats::FromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x9F], QChar(0x0178));
    EXPECT_TRUE(formats::IsCp1252(text));
    EXPECT_EQ(formats::ToCp1252(text), all);

    EXPECT_FALSE(formats::IsCp1252(QString::fromUtf8("ж")));
    EXPECT_EQ(formats::ToCp1252(QString::fromUtf8("aж")), QByteArray("a?"));
}

class DrivePathsTest : public SandboxTest {};

TEST_F(DrivePathsTest, DriveCIsThePerUserFolder)
{
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + "/gardlock/drive_c";
    EXPECT_EQ(platform::ResolvePath("c:\\cslckrt.sys"), root + "/cslckrt.sys");
    EXPECT_EQ(platform::ResolvePath("C:\\Windows\\news.txt"), root + "/Windows/news.txt");
    EXPECT_EQ(platform::ResolvePath("C:\\WINDOWS\\Desktop\\intruder.log"),
              QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + "/intruder.log");
    EXPECT_EQ(platform::ResolvePath("C:\\"), root);
    EXPECT_TRUE(QDir(root).exists());
    EXPECT_EQ(platform::ResolvePath("/home/u/pic.bmp"), "/home/u/pic.bmp");
}

TEST_F(DrivePathsTest, OtherDrivesNeedTheirLink)
{
    EXPECT_EQ(platform::ResolvePath("A:\\intruder.log"), QString()); // not ready
    const QString devices = qEnvironmentVariable("XDG_DATA_HOME") + "/gardlock/dosdevices";
    QDir().mkpath(devices);
    QDir().mkpath(home() + "/floppy");
    ASSERT_TRUE(QFile::link(home() + "/floppy", devices + "/a:"));
    EXPECT_EQ(platform::ResolvePath("a:\\intruder.log"), devices + "/a:/intruder.log");
}

class SettingsTest : public SandboxTest {};

TEST_F(SettingsTest, DefaultsOnAFreshSystem)
{
    EXPECT_EQ(settings::Read(settings::Background1), "");
    EXPECT_EQ(settings::Read(settings::Background2), "");
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Disabled");
    EXPECT_EQ(settings::Read(settings::ViewLogStatus), "Unlocked");
    EXPECT_FALSE(QFile::exists(configHome() + "/DW2001.conf"));
}

TEST_F(SettingsTest, SavedValuesLiveInTheIniFileUnderTheirExactNames)
{
    ASSERT_TRUE(settings::Write(settings::Background1, "/pictures/a b.bmp"));
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    ASSERT_TRUE(SaveSetting("DW2001", "Options", "TrayIcon", "Enabled"));
    EXPECT_EQ(GetSetting("DW2001", "Options", "Background1", "x"), "/pictures/a b.bmp");
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Enabled");

    QSettings ini(configHome() + "/DW2001.conf", QSettings::IniFormat);
    EXPECT_EQ(ini.value("Options/Background1").toString(), "/pictures/a b.bmp");
    EXPECT_EQ(ini.value("ViewLog/Status").toString(), "Locked");
    const QByteArray raw = ReadBytes(configHome() + "/DW2001.conf");
    EXPECT_TRUE(raw.contains("[Options]")) << raw.constData();
    EXPECT_TRUE(raw.contains("[ViewLog]")) << raw.constData();

    // Keys are case-sensitive: another spelling is another setting.
    EXPECT_EQ(GetSetting("DW2001", "Options", "background1", "dflt"), "dflt");
}

// A write that does not reach the file says so, and leaves the file and what
// this process reads as they were.
TEST_F(SettingsTest, AFailedWriteIsReportedAndChangesNothing)
{
    const QString file = configHome() + "/DW2001.conf";
    ASSERT_TRUE(settings::Write(settings::Background1, "C:\\kept.bmp"));
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, "Locked"));
    const QByteArray before = ReadBytes(file);
    {
        const testing_support::FullDisk full;
        ASSERT_TRUE(full.Set());
        EXPECT_FALSE(settings::Write(settings::Background1, "C:\\lost.bmp"));
        EXPECT_FALSE(settings::Write(settings::TrayIcon, "Enabled"));
    }
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(settings::Read(settings::Background1), "C:\\kept.bmp");
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Disabled");
    EXPECT_EQ(settings::Read(settings::ViewLogStatus), "Locked");
    EXPECT_EQ(QDir(configHome()).entryList(QDir::Files), QStringList{"DW2001.conf"}) << "scratch files left";

    // A folder where the file should be.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_FALSE(settings::Write(settings::TrayIcon, "Enabled"));
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Disabled");
}

// Reads go through QSettings' cache of the file; values of the same length
// written back to back must still read as the last one.
TEST_F(SettingsTest, EachWriteReadsBackAtOnce)
{
    for (int i = 0; i < 40; ++i) {
        const QString value = i % 2 ? "Locked" : "Lockeq";
        ASSERT_TRUE(settings::Write(settings::ViewLogStatus, value));
        ASSERT_EQ(settings::Read(settings::ViewLogStatus), value) << "write " << i;
    }
}

} // namespace
