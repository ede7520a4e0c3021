// Every text of every screen fits its control, with the fonts the screens
// ask for, at the font resolution the test runs at (ctest runs it at 96 and
// at 192 dots per inch). A clipped caption cannot be read and a clipped
// message can mislead ("Backup Abortec"), so each one is named by screen and
// control.

#include "options/EditTextNT.h"
#include "support/FakePrintSystem.h"
#include "lock/frmBackground.h"
#include "lock/frmLock.h"
#include "lock/frmNormalLock.h"
#include "lock/frmVery.h"
#include "intruderlog/frmBackupDest.h"
#include "intruderlog/frmLogBackup.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "password/frmPasswordCancelled.h"
#include "intruderlog/frmPrinting.h"
#include "intruderlog/frmPrtDlg.h"
#include "options/Options.h"
#include "mainscreen/frmAbout.h"
#include "options/frmImageBrowser.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "uninstall/frmUninstall.h"
#include "support/Sandbox.h"
#include "options/FileControls.h"
#include "ui/Information.h"
#include "ui/frmRequest.h"
#include "updates/frmNews.h"
#include "updates/frmOnlineUpdate.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include <cstdio>
#include <functional>

using namespace testing_support;

namespace {

// "Form.control: text (needs W x H, has W x H)"
QString Clipped(const QWidget *window, const QWidget *control, const QString &text, QSize needs, QSize has)
{
    QString name = control->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(control->metaObject()->className());
    return QStringLiteral("%1.%2: \"%3\" needs %4 x %5, has %6 x %7")
        .arg(QString::fromLatin1(window->metaObject()->className()), name, text.left(60))
        .arg(needs.width())
        .arg(needs.height())
        .arg(has.width())
        .arg(has.height());
}

bool Exceeds(QSize needs, QSize has)
{
    return needs.width() > has.width() || needs.height() > has.height();
}

// A label's text in its contents rectangle, less its margin and indent.
// Word-wrapped text is measured by the height it wraps to.
void CheckLabel(const QWidget *window, const QLabel *label, QStringList &found)
{
    if (label->text().isEmpty() || !label->pixmap().isNull())
        return;
    const QFontMetrics metrics(label->font());
    QString text = label->text();
    if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        return; // none of the screens shows rich text in a label
    const int inset = 2 * label->margin() + (label->indent() > 0 ? label->indent() : 0);
    const QRect area = label->contentsRect().adjusted(0, 0, -inset, -2 * label->margin());
    if (label->wordWrap()) {
        const QRect wrapped = metrics.boundingRect(QRect(0, 0, area.width(), 100000),
                                                   int(Qt::TextWordWrap | label->alignment()), text);
        if (Exceeds(wrapped.size(), area.size()))
            found << Clipped(window, label, text, wrapped.size(), area.size());
        return;
    }
    int widest = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QSize needs(widest, int(lines.size()) * metrics.height());
    if (Exceeds(needs, area.size()))
        found << Clipped(window, label, text, needs, area.size());
}

// A button's caption (its "&" shows as an underline) in the part of the
// button the style gives its contents.
void CheckButton(const QWidget *window, QAbstractButton *button, QStringList &found)
{
    if (button->text().isEmpty())
        return;
    const QFontMetrics metrics(button->font());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox *>(button))
        contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<QRadioButton *>(button))
        contents = QStyle::SE_RadioButtonContents;
    QRect area = button->style()->subElementRect(contents, &option, button);
    if (contents == QStyle::SE_PushButtonContents) {
        // The style draws the caption inside the contents less its own padding.
        const int padding = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
        area.adjust(padding / 2, 0, -padding / 2, 0);
        if (!button->icon().isNull())
            area.adjust(button->iconSize().width() + 4, 0, 0, 0);
    }
    const QSize needs = metrics.size(Qt::TextShowMnemonic, button->text());
    if (Exceeds(needs, area.size()))
        found << Clipped(window, button, button->text(), needs, area.size());
}

// Every entry of a list box that folds down must fit its text field.
void CheckCombo(const QWidget *window, QComboBox *combo, QStringList &found)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const QFontMetrics metrics(combo->font());
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        // The entry's icon stands in the field before the text.
        const int icon = combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4;
        const QSize needs(metrics.horizontalAdvance(text) + icon, metrics.height());
        if (Exceeds(needs, field.size()))
            found << Clipped(window, combo, text, needs, field.size());
    }
}

QStringList ClippedTexts(QWidget *window)
{
    QStringList found;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->window() != window)
            continue;
        if (auto *label = qobject_cast<QLabel *>(w))
            CheckLabel(window, label, found);
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            CheckButton(window, button, found);
        else if (auto *combo = qobject_cast<QComboBox *>(w); combo && !qobject_cast<DriveListBox *>(combo))
            CheckCombo(window, combo, found); // the drive list shortens the machine's paths itself
    }
    return found;
}

template <class T> std::function<Form &()> Screen()
{
    return [] () -> Form & { return Forms::Get<T>(); };
}

class TextsFitTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        platform::Services with = testing_support::RecorderServices();
        with.printers = &printers;
        platform::install(with);
    }
    void TearDown() override
    {
        SandboxTest::TearDown();
        platform::install(testing_support::RecorderServices());
    }
    FakePrintSystem printers;
};

TEST_F(TextsFitTest, NoTextOfAnyScreenIsClipped)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const std::string resolution = QStringLiteral("font resolution %1 dpi, %2 device pixels a pixel")
                                       .arg(screen->logicalDotsPerInch())
                                       .arg(screen->devicePixelRatio())
                                       .toStdString();
    std::printf("texts measured at %s\n", resolution.c_str());
    SCOPED_TRACE(resolution);
    const std::pair<const char *, std::function<Form &()>> screens[] = {
        {"main screen", Screen<frmMain>()},
        {"About", Screen<frmAbout>()},
        {"information window", Screen<Information>()},
        {"feature request", Screen<frmRequest>()},
        {"Password Settings", Screen<frmPassword>()},
        {"cancelled page", Screen<frmPasswordCancelled>()},
        {"Log Viewer", Screen<frmLogViewer>()},
        {"Log Backup", Screen<frmLogBackup>()},
        {"backup destination", Screen<frmBackupDest>()},
        {"print dialog", Screen<frmPrtDlg>()},
        {"printing", Screen<frmPrinting>()},
        {"Options", Screen<Options>()},
        {"image browser", Screen<frmImageBrowser>()},
        {"Protection Modes", Screen<frmProtection>()},
        {"uninstall guard", Screen<frmUninstall>()},
        {"update check", Screen<frmOnlineUpdate>()},
        {"news", Screen<frmNews>()},
        {"NT lock texts editor", Screen<EditTextNT>()},
        {"NT lock box", Screen<frmLock>()},
        {"NT lock prompt", Screen<frmVery>()},
        {"NT lock background", Screen<frmBackground>()},
        {"Normal lock", Screen<frmNormalLock>()},
    };
    QStringList clipped;
    int checked = 0;
    for (const auto &[name, open] : screens) {
        Form &form = open();
        form.show(); // lays out the screens that use layouts
        clipped << ClippedTexts(&form);
        ++checked;
        Forms::DestroyAll();
    }
    EXPECT_EQ(checked, int(std::size(screens)));
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(QLatin1Char('\n')).toStdString();
}

// High-resolution screens: Qt draws at two device pixels a pixel, and the
// fonts are measured at that size, so their widths round differently. The
// resolution is fixed when the program starts: the walk runs again in a
// process of its own.
TEST_F(TextsFitTest, NoTextOfAnyScreenIsClippedAt192Dpi)
{
    if (qgetenv("QT_FONT_DPI") == "192")
        GTEST_SKIP() << "this process is the run at 192 dpi";
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("192"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=TextsFitTest.NoTextOfAnyScreenIsClipped")});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(run.readAll());
    EXPECT_EQ(run.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("2 device pixels a pixel")) &&
                output.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << output.toStdString();
}

// The checks themselves: a box too small for its text is found, one that
// fits is not.
TEST_F(TextsFitTest, TheWalkFindsATooSmallBoxAndPassesOneThatFits)
{
    QWidget window;
    window.resize(400, 300);
    auto *narrow = new QLabel(QStringLiteral("There was an error creating the backup. Backup Aborted!"), &window);
    narrow->setObjectName("narrow");
    narrow->setGeometry(0, 0, 120, 20);
    auto *wide = new QLabel(QStringLiteral("Backup"), &window);
    wide->setGeometry(0, 30, 200, 30);
    auto *wrapped = new QLabel(QStringLiteral("one two three four five six seven eight nine ten"), &window);
    wrapped->setObjectName("wrapped");
    wrapped->setWordWrap(true);
    wrapped->setGeometry(0, 70, 60, 20);
    auto *button = new QPushButton(QStringLiteral("Backup to &Desktop"), &window);
    button->setObjectName("button");
    button->setGeometry(0, 100, 50, 28);
    auto *box = new QCheckBox(QStringLiteral("Fits"), &window);
    box->setGeometry(0, 140, 200, 24);
    auto *combo = new QComboBox(&window);
    combo->setObjectName("combo");
    combo->addItems({QStringLiteral("a"), QStringLiteral("All Supported Formats (*.gif;*.jpg;*.ico)")});
    combo->setGeometry(0, 170, 100, 24);
    window.show();

    const QStringList found = ClippedTexts(&window);
    const QString all = found.join(QLatin1Char('\n'));
    EXPECT_EQ(found.size(), 4) << all.toStdString();
    for (const char *name : {"narrow", "wrapped", "button", "combo"})
        EXPECT_TRUE(all.contains(QStringLiteral("QWidget.%1:").arg(QLatin1String(name)))) << name;
}

} // namespace
