// The shared information window, the About screen and the request window.

#include "mainscreen/frmAbout.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/Information.h"
#include "ui/MakerContacts.h"
#include "ui/frmRequest.h"
#include "updates/frmOnlineUpdate.h"

#include <QTest>

using namespace testing_support;

namespace {

class InformationWindowsTest : public SandboxTest {
protected:
    static QColor Colour(QLabel *label) { return label->palette().color(QPalette::WindowText); }
};

TEST_F(InformationWindowsTest, BeepsWhenCreatedOnlyAndTheLastTextsWin)
{
    ShowInformation("Welcome to Gardlock 2001", "Welcome!", "first");
    EXPECT_EQ(dialogs().beeps, 1);
    ShowInformation();
    EXPECT_EQ(dialogs().beeps, 1);
    Information &info = Forms::Get<Information>();
    EXPECT_EQ(info.lblHeading->text(), "Welcome!");

    // The About screen's note replaces the welcome while it is still open.
    Forms::Get<frmAbout>().imgInformation->clicked();
    EXPECT_EQ(dialogs().beeps, 1);
    EXPECT_EQ(info.windowTitle(), "Important Information");
    EXPECT_EQ(info.lblHeading->text(), "Windows 95 issues");
    EXPECT_TRUE(info.txtText->toPlainText().startsWith("Gardlock 2001 can run under Windows 95"));
    EXPECT_TRUE(info.txtText->toPlainText().endsWith("(Millenium Edition)."));
}

TEST_F(InformationWindowsTest, CloseLabelColoursAndUnload)
{
    Information &info = ShowInformation("c", "h", "t");
    EXPECT_FALSE(info.windowFlags() & Qt::WindowCloseButtonHint);
    MoveOver(info.lblClose);
    EXPECT_EQ(Colour(info.lblClose), QColor(192, 0, 0));
    MoveOver(&info, QPoint(200, 30));
    EXPECT_EQ(Colour(info.lblClose), QColor(0, 0, 0));

    QTest::mouseClick(info.lblClose, Qt::LeftButton);
    EXPECT_FALSE(Forms::IsLoaded<Information>());
    Information &again = ShowInformation();
    EXPECT_EQ(again.windowTitle(), "Important Information Icon - Overview");
    EXPECT_EQ(again.lblHeading->text(), "Information Icon");
    EXPECT_TRUE(again.txtText->toPlainText().startsWith(
        "When you are using this program, and the \"information icon\""));
    EXPECT_EQ(dialogs().beeps, 2);
}

TEST_F(InformationWindowsTest, AboutTextsLinksAndButtons)
{
    frmAbout &about = Forms::Get<frmAbout>();
    about.show();
    EXPECT_EQ(about.windowTitle(), "About...");
    EXPECT_EQ(about.lblVersion->text(), "Version: 2001 (2.00)");
    EXPECT_EQ(about.lblRelease->text(), "February 21, 2001. 8:05pm EST");
    EXPECT_EQ(about.lblSystems->text(), "For Windows 95*/98/98SE/ME");
    EXPECT_EQ(about.lblMaker->text(), "Corvane Technologies");

    QTest::mouseClick(about.lblEmail, Qt::LeftButton);
    QTest::mouseClick(about.lblWeb, Qt::LeftButton);
    EXPECT_EQ(launcher().opened, QStringList({"mailto:" + maker::kSupportEmail, maker::kHomePage}));

    about.cmdCheckForUpdate->click();
    EXPECT_TRUE(Forms::IsLoaded<frmOnlineUpdate>() && Forms::Get<frmOnlineUpdate>().isVisible());
    EXPECT_TRUE(about.isVisible());
    about.cmdOK->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(Forms::IsLoaded<frmAbout>());
}

TEST_F(InformationWindowsTest, RequestMailAsksForTheConnectionFirst)
{
    frmRequest &request = Forms::Get<frmRequest>();
    EXPECT_EQ(request.windowTitle(), "[...]");
    EXPECT_EQ(request.lblHeading->text(), "Loading...");
    EXPECT_EQ(request.lblText->text(), "Text is loading. Please Wait...");

    dialogs().answers = {platform::MsgResult::Cancel, platform::MsgResult::OK, platform::MsgResult::OK};
    request.cmdSendRequest->click();
    EXPECT_TRUE(launcher().opened.isEmpty());
    request.cmdSendRequest->click();
    request.cmdSendRequest->click();
    const QString mail = "mailto:" + maker::kRequestEmail + "?subject=Deskward_Suggestion";
    EXPECT_EQ(launcher().opened, QStringList({mail, mail}));
    ASSERT_EQ(dialogs().boxes.size(), 3u);
    EXPECT_EQ(dialogs().boxes[0].title, "Internet Connection Required");
    EXPECT_EQ(dialogs().boxes[0].text, "Make sure you are connected to the Internet before proceeding.");
    EXPECT_EQ(dialogs().boxes[0].buttons, platform::MsgButtons::OKCancel);
    EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::None);
    EXPECT_TRUE(Forms::IsLoaded<frmRequest>());

    request.cmdCancel->click();
    EXPECT_FALSE(Forms::IsLoaded<frmRequest>());
}

} // namespace
