// What the locks tell the supervisor: which lock starts (before it loads),
// that its window is shown (once it really is), that the right password ended
// it; and that a lock relaunched after a crash at load shows no picture.

#include "lock/LockStarter.h"
#include "rules/PasswordStore.h"
#include "lock/frmBackground.h"
#include "lock/frmLock.h"
#include "lock/frmNormalLock.h"
#include "lock/frmVery.h"
#include "platform/storage/Settings.h"
#include "support/Sandbox.h"
#include "ui/WindowServices.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using testing_support::SandboxTest;

namespace {

// Notes each report with what was on screen when it came.
class WitnessSupervision : public platform::LockSupervision {
public:
    QStringList reports;
    bool picturesAllowed = true;
    void LockStarting(LockKind lock) override
    {
        reports << QString("starting %1, lock loaded: %2")
                       .arg(lock == LockKind::Normal ? "Normal" : "NtStyle")
                       .arg(LockLoaded() ? "yes" : "no");
    }
    void LockShown() override
    {
        reports << QString("shown, lock visible: %1").arg(LockVisible() ? "yes" : "no");
    }
    void LockEnded() override { reports << "ended"; }
    bool PicturesAllowed() const override { return picturesAllowed; }

private:
    static bool LockLoaded() { return Forms::IsLoaded<frmNormalLock>() || Forms::IsLoaded<frmBackground>(); }
    static bool LockVisible()
    {
        const frmNormalLock *normal = Forms::IfLoaded<frmNormalLock>();
        const frmBackground *background = Forms::IfLoaded<frmBackground>();
        return (normal && normal->isVisible()) || (background && background->isVisible());
    }
};

class LockSupervisionTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        platform::Services with = testing_support::RecorderServices();
        with.supervision = &m_witness;
        platform::install(with);
        ASSERT_TRUE(WritePassword("Right"));
    }
    void TearDown() override
    {
        Forms::DestroyAll();
        testing_support::ResetRecorders();
        SandboxTest::TearDown();
    }
    // Runs each step from a timer once its condition holds, while start()
    // blocks; gives up after a generous deadline so a fault fails, not hangs.
    bool Drive(const std::function<void()> &start,
               std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps)
    {
        size_t next = 0;
        QTimer timer;
        timer.setInterval(5);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (clock.elapsed() > 20000) {
                timer.stop();
                Forms::DestroyAll();
                return;
            }
            if (next < steps.size() && steps[next].first())
                steps[next++].second();
        });
        timer.start();
        start();
        while (next < steps.size() && clock.elapsed() < 20000) // a lock that returns at once
            QTest::qWait(5);
        return next == steps.size();
    }
    bool Reported(const QString &report) const { return m_witness.reports.contains(report); }

    WitnessSupervision m_witness;
};

void ClickVerify(QWidget *form, const QString &password)
{
    form->findChild<TextBox *>("txtPassword")->setText(password);
    form->findChild<QPushButton *>("cmdVerify")->click();
}

TEST_F(LockSupervisionTest, EveryWayALockComesUpReportsItBeforeLoadingAndOnceShown)
{
    const QStringList normal{"starting Normal, lock loaded: no", "shown, lock visible: yes", "ended"};
    const QStringList ntStyle{"starting NtStyle, lock loaded: no", "shown, lock visible: yes", "ended"};
    QWidget owner;
    struct Case {
        const char *name;
        LockKind style;
        QWidget *owner;
        QStringList reports;
    };
    const Case cases[] = {
        {"Normal, from the command line", LockKind::Normal, nullptr, normal},
        {"Normal, over a screen (modal)", LockKind::Normal, &owner, normal},
        {"NT-style", LockKind::NtStyle, nullptr, ntStyle},
    };
    for (const Case &c : cases) {
        m_witness.reports.clear();
        std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps;
        if (c.style == LockKind::Normal) {
            steps.push_back({[this] { return Reported("shown, lock visible: yes"); },
                             [] { ClickVerify(Forms::IfLoaded<frmNormalLock>(), "wrong"); }});
            steps.push_back(
                {[] { return true; }, [] { ClickVerify(Forms::IfLoaded<frmNormalLock>(), "Right"); }});
        } else {
            steps.push_back({[] {
                                 const frmLock *box = Forms::IfLoaded<frmLock>();
                                 return box && box->IsModalShowing();
                             },
                             [] { Forms::IfLoaded<frmLock>()->Unload(); }}); // as Ctrl+Shift+Alt does
            steps.push_back({[] {
                                 const frmVery *prompt = Forms::IfLoaded<frmVery>();
                                 return prompt && prompt->IsModalShowing();
                             },
                             [] { ClickVerify(Forms::IfLoaded<frmVery>(), "Right"); }});
        }
        EXPECT_TRUE(Drive([&] { ShowLock(c.style, c.owner); }, steps)) << c.name;
        // A wrong password and the box's rounds report nothing.
        EXPECT_EQ(m_witness.reports, c.reports) << c.name;
        Forms::DestroyAll();
    }
}

TEST_F(LockSupervisionTest, ALockRelaunchedAfterACrashAtLoadShowsNoPicture)
{
    const QString picture = home() + "/sky.png";
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(picture));
    ASSERT_TRUE(settings::Write(settings::Background1, picture));
    ASSERT_TRUE(settings::Write(settings::Background2, picture));
    for (bool allowed : {true, false}) {
        m_witness.picturesAllowed = allowed;
        const frmNormalLock &normal = Forms::Get<frmNormalLock>();
        EXPECT_EQ(normal.findChild<PictureBox *>("picBackground")->HasPicture(), allowed);
        const frmBackground &background = Forms::Get<frmBackground>();
        EXPECT_EQ(background.findChild<PictureBox *>("picBackground")->HasPicture(), allowed);
        // The rest of the load runs all the same.
        EXPECT_TRUE(shell().calls.contains("HideTaskBar"));
        Forms::DestroyAll();
        shell().calls.clear();
    }
}

} // namespace
