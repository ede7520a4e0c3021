#include "ui/NavigationBar.h"

#include "platform/funct.h"
#include "ui/Form.h"
#include "ui/ScreenKit.h"

#include <QHBoxLayout>

using namespace ui;

void ShowNavPage(NavPage page)
{
    if (page != NavPage::None)
        pages::Bring(page);
}

void MoveToNavPage(NavPage page)
{
    for (Page shown : {Page::Home, Page::PasswordSettings, Page::ViewLog, Page::ProtectDesktop, Page::Options})
        if (Form *form = pages::IfLoaded(shown); form && shown != page && form->isVisible())
            form->hide();
    ShowNavPage(page);
}

NavigationBar *BuildNavigationPage(Form *page, const QString &caption, QSize size, NavPage current,
                                   const QString &heading)
{
    page->setWindowTitle(caption);
    page->setFixedSize(size);
    auto *bar = new NavigationBar(page, current, page);
    bar->setGeometry(0, 0, size.width(), NavigationBar::kHeight);
    Caption(heading, page, Verdana(26, true), kLighterGrey)->setGeometry(16, 30, size.width() - 30, 50);
    return bar;
}

NavigationBar::NavigationBar(Form *page, NavPage current, QWidget *parent)
    : QWidget(parent), m_page(page), m_current(current), m_leave([page] { page->hide(); })
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(p);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setSpacing(6);

    const bool onMain = current == NavPage::Home;
    lblHome = AddLink(onMain ? QStringLiteral("Home |") : QStringLiteral("Home"), kNavy, NavPage::Home);
    lblPasswordSettings =
        AddLink(QStringLiteral("Password Settings |"), kDarkGrey, NavPage::PasswordSettings);
    lblViewLog = AddLink(QStringLiteral("View log  |"), kDarkGrey, NavPage::ViewLog);
    lblProtect = AddLink(onMain ? QStringLiteral("Protection Modes |") : QStringLiteral("Protect Desktop |"),
                         kDarkGrey, NavPage::ProtectDesktop);
    lblHelp = AddLink(QStringLiteral("Help"), kOrange, NavPage::None);
    lblHelp->setToolTip(QStringLiteral("displays program information"));
    connect(lblHelp, &LinkLabel::clicked, this, &NavigationBar::OpenHelp);
    layout->addStretch(1);
    if (onMain) {
        lblMinimize = Link(QStringLiteral("Minimize to tray"), this, kNavy);
        lblMinimize->setFont(Verdana(8));
        layout->addWidget(lblMinimize);
        // The main screen's own name: nothing to go to.
        lblHome->setCursor(Qt::ForbiddenCursor);
    }
    setFixedHeight(kHeight);
}

LinkLabel *NavigationBar::AddLink(const QString &text, const QColor &colour, NavPage target)
{
    LinkLabel *link = Link(text, this, colour);
    link->setFont(Verdana(8));
    static_cast<QHBoxLayout *>(layout())->addWidget(link);
    if (target != NavPage::None)
        connect(link, &LinkLabel::clicked, this, [this, target] { Navigate(target); });
    return link;
}

void NavigationBar::Navigate(NavPage target)
{
    if (target == m_current || target == NavPage::None)
        return;
    m_leave();
    ShowNavPage(target);
}

void NavigationBar::OpenHelp()
{
    OpenDocument(QStringLiteral("index.htm"));
}
