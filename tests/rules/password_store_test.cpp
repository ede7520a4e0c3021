#include "formats/FieldReader.h"
#include "rules/PasswordStore.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using formats::ReadFirstField;
using formats::SkipLineBreaks;
using testing_support::SandboxTest;

namespace {

struct FieldCase {
    const char *bytes;
    SkipLineBreaks skip;
    std::optional<QByteArray> field;
};

class FieldReaderTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldReaderTest, ReadsTheFirstField)
{
    const FieldCase &c = GetParam();
    EXPECT_EQ(ReadFirstField(QByteArray(c.bytes), c.skip), c.field) << c.bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FieldReaderTest,
    ::testing::Values(FieldCase{"\"secret\"\r\n", SkipLineBreaks::No, QByteArray("secret")},
                      FieldCase{"\"\"\r\n", SkipLineBreaks::No, QByteArray("")},
                      FieldCase{"   \"a b, c \"\r\n", SkipLineBreaks::No, QByteArray("a b, c ")},
                      FieldCase{"plain,rest\r\n", SkipLineBreaks::No, QByteArray("plain")},
                      FieldCase{"plain text  \r\nnext", SkipLineBreaks::No, QByteArray("plain text")},
                      FieldCase{"\"unclosed\r\nmore\"", SkipLineBreaks::No, QByteArray("unclosed")},
                      FieldCase{"", SkipLineBreaks::No, std::nullopt},
                      FieldCase{"    ", SkipLineBreaks::No, std::nullopt},
                      FieldCase{"\r\n\"x\"", SkipLineBreaks::No, std::nullopt},
                      FieldCase{"\r\n \"two\r\nlines\"\r\n", SkipLineBreaks::Yes, QByteArray("two\r\nlines")},
                      FieldCase{"\"say \"hi\"\"\r\n", SkipLineBreaks::Yes, QByteArray("say ")},
                      FieldCase{"\r\n\r\n", SkipLineBreaks::Yes, std::nullopt}));

class PasswordStoreTest : public SandboxTest {
protected:
    QString file() const { return PasswordFilePath(); }
};

TEST_F(PasswordStoreTest, WritesOneQuotedLineReadableByTheOwnerOnly)
{
    ASSERT_TRUE(WritePassword("Abc, def "));
    EXPECT_EQ(ReadBytes(file()), QByteArray("\"Abc, def \"\r\n"));
    EXPECT_EQ(QFileInfo(file()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

    const StoredPassword read = ReadPassword();
    EXPECT_EQ(read.status, PasswordStatus::Stored);
    EXPECT_EQ(read.text, "Abc, def ");
}

TEST_F(PasswordStoreTest, ShorterPasswordReplacesTheWholeFile)
{
    ASSERT_TRUE(WritePassword("a-long-password"));
    ASSERT_TRUE(WritePassword("ab"));
    EXPECT_EQ(ReadBytes(file()), QByteArray("\"ab\"\r\n"));
    EXPECT_TRUE(CreateEmptyPassword());
    EXPECT_EQ(ReadBytes(file()), QByteArray("\"\"\r\n"));
    EXPECT_EQ(ReadPassword().status, PasswordStatus::Stored);
    EXPECT_EQ(ReadPassword().text, "");
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(driveC()).entryList(QDir::Files), QStringList{"cslckrt.sys"});
}

TEST_F(PasswordStoreTest, MissingOrFieldlessFileMeansNoPassword)
{
    EXPECT_EQ(ReadPassword().status, PasswordStatus::NoPassword);
    WriteBytes(file(), "");
    EXPECT_EQ(ReadPassword().status, PasswordStatus::NoPassword);
    WriteBytes(file(), "   \r\n");
    EXPECT_EQ(ReadPassword().status, PasswordStatus::NoPassword);
}

TEST_F(PasswordStoreTest, WindowsCharactersRoundTrip)
{
    ASSERT_TRUE(WritePassword(QString::fromUtf8("€uro-äß")));
    EXPECT_EQ(ReadBytes(file()), QByteArray("\"\x80uro-\xe4\xdf\"\r\n"));
    EXPECT_EQ(ReadPassword().text, QString::fromUtf8("€uro-äß"));
}

TEST_F(PasswordStoreTest, FilesThatExistButCannotBeReadFailClosed)
{
    // A directory, a dangling symlink and a FIFO in the password's place: none
    // of them may turn into the empty password that would open every lock.
    const auto expectUnavailable = [&](const char *what) {
        EXPECT_EQ(ReadPassword().status, PasswordStatus::Unreadable) << what;
        EXPECT_EQ(CheckPassword(""), PasswordCheck::Unavailable) << what;
    };

    ASSERT_TRUE(QDir().mkpath(file()));
    expectUnavailable("directory");
    EXPECT_TRUE(QFileInfo(file()).isDir());
    QDir().rmdir(file());

    ASSERT_EQ(::symlink("/nonexistent/gardlock-target", file().toLocal8Bit().constData()), 0);
    expectUnavailable("dangling symlink");
    EXPECT_TRUE(QFileInfo(file()).isSymLink());
    QFile::remove(file());

    ASSERT_EQ(::mkfifo(file().toLocal8Bit().constData(), 0600), 0);
    expectUnavailable("fifo");
}

TEST_F(PasswordStoreTest, BinaryAndHugeFilesAreReadWithoutCrashing)
{
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 37);
    WriteBytes(file(), binary);
    EXPECT_EQ(CheckPassword("anything"), PasswordCheck::Mismatch);

    // 100 MB: only the head is read.
    {
        QFile huge(file());
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
        huge.write("\"big\"\r\n");
        ASSERT_TRUE(huge.resize(100LL * 1024 * 1024));
    }
    EXPECT_EQ(ReadPassword().text, "big");
    EXPECT_EQ(CheckPassword("big"), PasswordCheck::Match);
}

TEST_F(PasswordStoreTest, CheckFollowsTheSharedPromptRules)
{
    EXPECT_EQ(CheckPassword("typed"), PasswordCheck::CreatedEmpty);
    EXPECT_EQ(ReadBytes(file()), QByteArray("\"\"\r\n"));
    EXPECT_EQ(CheckPassword(""), PasswordCheck::Match);

    WriteBytes(file(), ""); // zero bytes: rewritten as the empty password
    EXPECT_EQ(CheckPassword("x"), PasswordCheck::CreatedEmpty);

    ASSERT_TRUE(WritePassword("abc"));
    EXPECT_EQ(CheckPassword("ABC"), PasswordCheck::Mismatch);
    EXPECT_EQ(CheckPassword("abc "), PasswordCheck::Mismatch);
    EXPECT_EQ(CheckPassword("abc"), PasswordCheck::Match);
}

TEST_F(PasswordStoreTest, FullDiskLeavesTheOldPassword)
{
    // Drive C on a tiny tmpfs, filled up after the first password is stored.
    const QByteArray folder = driveC().toLocal8Bit();
    if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs CAP_SYS_ADMIN)";
    ASSERT_TRUE(WritePassword("keep"));
    {
        QFile filler(driveC() + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const bool wrote = WritePassword("new-password");
    const QByteArray after = ReadBytes(file());
    const QStringList left = QDir(driveC()).entryList(QDir::Files);
    ::umount(folder.constData());
    EXPECT_FALSE(wrote);
    EXPECT_EQ(after, QByteArray("\"keep\"\r\n"));
    EXPECT_EQ(left, (QStringList{"cslckrt.sys", "filler"})) << "no temporary file may stay behind";
}

TEST(PasswordEntry, RefusesWhatTheFileCannotCarry)
{
    EXPECT_EQ(PasswordEntryProblem("plain, with spaces"), "");
    EXPECT_EQ(PasswordEntryProblem(QString::fromUtf8("€äß")), "");
    EXPECT_NE(PasswordEntryProblem("say\"hi"), "");
    EXPECT_NE(PasswordEntryProblem(QString::fromUtf8("日本")), "");
}

TEST_F(PasswordStoreTest, FirstRunTestSeesAnyLoadableFileAsSet)
{
    EXPECT_FALSE(PasswordFileLoads());
    WriteBytes(file(), "");
    EXPECT_TRUE(PasswordFileLoads());
}

} // namespace
