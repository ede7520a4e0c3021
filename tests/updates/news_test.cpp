// The news viewer: the fetch and its order, the disk copy, rich and plain
// news, the buttons, and the "Read Text" failures.

#include "platform/storage/DrivePaths.h"
#include "support/FakeHttp.h"
#include "support/Sandbox.h"
#include "ui/MakerContacts.h"
#include "updates/frmNews.h"
#include "updates/frmOnlineUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTest>
#include <QTextDocument>

using namespace testing_support;

namespace {

const QString kVersionUrl = maker::kDownloadFolder + "application.ver";
const QString kNewsUrl = maker::kDownloadFolder + "news2.txt";

class NewsTest : public SandboxTest {
protected:
    FakeHttp &http() { return fakeHttp(); }
    QString Copy() const { return platform::ResolvePath("C:\\news2.txt"); }
    void Publish(const QByteArray &news)
    {
        http().replies[kVersionUrl] = FakeReply{"2.1", 0, {}, false};
        http().replies[kNewsUrl] = FakeReply{news, 0, {}, false};
    }
    // Opens the update window and runs its check.
    void Check()
    {
        frmOnlineUpdate &form = Forms::Get<frmOnlineUpdate>();
        form.show();
        // The check starts once the window is on the screen.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.onCheckTimer();
    }
    static bool Shown(Form *form) { return form && form->isVisible(); }
};

TEST_F(NewsTest, NewerVersionOpensTheViewerWhichClosesTheUpdateWindow)
{
    for (const QByteArray &version : {QByteArray("2.1"), QByteArray("3"), QByteArray("2.0\r\n")}) {
        SCOPED_TRACE(version.toStdString());
        ResetRecorders();
        Publish("Version 2.1 is out.");
        http().replies[kVersionUrl].body = version;
        Check();
        EXPECT_EQ(http().requested, QStringList({kVersionUrl, kNewsUrl}));
        EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
        ASSERT_TRUE(Shown(Forms::IfLoaded<frmNews>()));
        frmNews &news = Forms::Get<frmNews>();
        EXPECT_EQ(news.windowTitle(), "Web Updates: Gardlock 2001");
        EXPECT_EQ(news.rtfNews->toPlainText(), "Version 2.1 is out.\n");
        EXPECT_EQ(ReadBytes(Copy()), "Version 2.1 is out.\r\n");
        EXPECT_TRUE(dialogs().boxes.empty());
        news.cmdClose->click();
        EXPECT_FALSE(Forms::IsLoaded<frmNews>());
        EXPECT_TRUE(QFile::exists(Copy())); // the copy stays
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(NewsTest, TheViewerHasItsControlsAndTheWebsiteButtonOpensTheUpdatePage)
{
    Publish("x");
    Check();
    frmNews &news = Forms::Get<frmNews>();
    EXPECT_EQ(news.cmdWebsite->text(), "&Website");
    EXPECT_EQ(news.cmdClose->text(), "&Close");
    EXPECT_FALSE(news.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(news.minimumSize(), news.maximumSize());
    EXPECT_GT(news.rtfNews->width() * news.rtfNews->height(), news.width() * news.height() / 2);
    news.cmdWebsite->click();
    ASSERT_EQ(launcher().opened.size(), 1);
    EXPECT_EQ(launcher().opened[0], maker::kUpdatePage);
    EXPECT_TRUE(launcher().opened[0].endsWith("/deskward/update.htm"));
    EXPECT_TRUE(Shown(&news));
}

TEST_F(NewsTest, RichNewsIsShownFormattedAndPlainNewsAsItStands)
{
    Publish("{\\rtf1\\ansi {\\b Big} news\\par second}");
    Check();
    frmNews &news = Forms::Get<frmNews>();
    EXPECT_EQ(ReadBytes(Copy()), "{\\rtf1\\ansi {\\b Big} news\\par second}\r\n");
    EXPECT_TRUE(news.rtfNews->toPlainText().startsWith("Big news\nsecond"));
    QTextCursor cursor(news.rtfNews->document());
    cursor.setPosition(1);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(6);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Normal);
    news.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    Publish("{\\b not rich} at all \xE9");
    Check();
    EXPECT_EQ(Forms::Get<frmNews>().rtfNews->toPlainText(),
              QString::fromUtf8("{\\b not rich} at all \xC3\xA9\n"));
}

TEST_F(NewsTest, TheBoxShowsTheDiskCopy)
{
    // The copy is the one that was written, not the text in memory: a copy
    // that cannot be replaced shows as it was, with its failure reported.
    QDir().mkpath(Copy()); // a folder where the file should be
    Publish("fresh");
    Check();
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].title, "Read Text");
    EXPECT_EQ(dialogs().boxes[0].text, "75 Path/File access error");
    EXPECT_FALSE(Forms::Get<frmNews>().rtfNews->toPlainText().contains("fresh"));
}

TEST_F(NewsTest, FailedFetchGivesOneReadTextMessageAndKeepsTheLastCopy)
{
    struct Case {
        int number;
        QString description;
        bool cancels;
    };
    const Case cases[] = {
        {1, "Connection refused", false},
        {203, "Error transferring - server replied: Not Found", false},
        {platform::kErrRequestTimedOut, "Request timed out", true},
        {platform::kErrStillExecuting, "Still executing last request", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        ResetRecorders();
        WriteBytes(Copy(), "Earlier news\r\n");
        http().replies[kVersionUrl] = FakeReply{"2.1", 0, {}, false};
        http().replies[kNewsUrl] = FakeReply{{}, c.number, c.description, false};
        Check();
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        const RecordedBox &box = dialogs().boxes[0];
        EXPECT_EQ(box.title, "Read Text");
        EXPECT_EQ(box.text, QString::number(c.number) + " " + c.description);
        EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
        EXPECT_EQ(box.icon, platform::MsgIcon::None);
        // transfer 0 is the update window's, 1 the viewer's
        ASSERT_EQ(http().cancelCalls.size(), 2u);
        EXPECT_EQ(http().cancelCalls[1], c.cancels ? 1 : 0);
        EXPECT_FALSE(Forms::IsLoaded<frmOnlineUpdate>());
        ASSERT_TRUE(Shown(Forms::IfLoaded<frmNews>()));
        EXPECT_EQ(ReadBytes(Copy()), "Earlier news\r\n");
        EXPECT_EQ(Forms::Get<frmNews>().rtfNews->toPlainText(), "Earlier news\n");
        Forms::Get<frmNews>().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(NewsTest, ASecondCheckWhileTheViewerIsOpenOnlyRaisesIt)
{
    Publish("First news");
    Check();
    ASSERT_TRUE(Shown(Forms::IfLoaded<frmNews>()));
    frmNews &news = Forms::Get<frmNews>();
    news.hide();
    http().replies[kNewsUrl].body = "Second news";
    Check();
    EXPECT_EQ(http().requested, QStringList({kVersionUrl, kNewsUrl, kVersionUrl}));
    EXPECT_TRUE(Shown(&news));
    EXPECT_EQ(news.rtfNews->toPlainText(), "First news\n");
    ASSERT_TRUE(Forms::IsLoaded<frmOnlineUpdate>());
    frmOnlineUpdate &update = Forms::Get<frmOnlineUpdate>();
    EXPECT_EQ(update.lblStatus->text(), "Download Complete.");
    EXPECT_FALSE(update.lblResult->isVisible()); // not "No updates found"
    EXPECT_TRUE(update.cmdOK->isVisible());
    EXPECT_FALSE(update.tmrProgress->isActive());
    EXPECT_EQ(update.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(NewsTest, HostileNewsIsWrittenWholeAndShownWithoutHarm)
{
    QByteArray nested = "{\\rtf1 ";
    nested += QByteArray(100000, '{') + "deep" + QByteArray(100000, '}');
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 131 + 7) % 256);
    const QByteArray cases[] = {
        nested,
        "{\\rtf1 {{{{ unbalanced \\b",
        "{\\rtf1 \\fs999999999999999 \\u-9999999999 \\uc2147483647 big\\cf99999999 x}",
        "{\\rtf1 " + binary,
        binary,
    };
    for (const QByteArray &newsText : cases) {
        SCOPED_TRACE(newsText.left(24).toStdString());
        ResetRecorders();
        Publish(newsText);
        Check();
        EXPECT_EQ(ReadBytes(Copy()), newsText + "\r\n");
        ASSERT_TRUE(Shown(Forms::IfLoaded<frmNews>()));
        EXPECT_TRUE(dialogs().boxes.empty());
        Forms::Get<frmNews>().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
