#include "ui/modTrayIcon.h"

#include "ui/Pages.h"
#include "ui/ProgramLifetime.h"

#include "platform/statusnotifier/StatusNotifierHost.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

NotifyIconData TrayIconData = {};

namespace {

const char kTip[] = "Gardlock 2001 (right-click for menu)";

// Icon handles handed out for the record, and the icons they stand for.
std::map<quint32, QIcon> &IconHandles()
{
    static std::map<quint32, QIcon> handles;
    return handles;
}

quint32 IconHandle(const QIcon &icon)
{
    const auto handle = static_cast<quint32>(icon.cacheKey()) | 1u;
    IconHandles()[handle] = icon;
    return handle;
}

// Sends the shell's callback: the message number of a mouse event over the icon.
void Notify(quint32 hWnd, quint32 number)
{
    Form *window = pages::IfLoaded(Page::TrayMenu);
    auto *owner = dynamic_cast<TrayIconOwner *>(window);
    if (owner && WindowHandle(window) == hWnd)
        owner->onMouseMove(number);
}

// Windows' numbers for the mouse events over the icon.
quint32 MessageNumber(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        break;
    default:
        return 0; // only mouse events are looked into as such
    }
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    const quint32 base = mouse->button() == Qt::RightButton    ? 0x204
                         : mouse->button() == Qt::MiddleButton ? 0x207
                                                               : 0x201;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return base;
    case QEvent::MouseButtonRelease:
        return base + 1;
    case QEvent::MouseButtonDblClick:
        return base + 2;
    default:
        return WM_MOUSEMOVE;
    }
}

// The menu the tray's owner opens on a right-button release.
QMenu *OwnersMenu(quint32 hWnd)
{
    Form *window = pages::IfLoaded(Page::TrayMenu);
    auto *owner = dynamic_cast<TrayIconOwner *>(window);
    return owner && WindowHandle(window) == hWnd ? owner->trayMenu() : nullptr;
}

// Without X there is no XEmbed tray: only a StatusNotifierItem host shows
// the icon, and it draws the menu itself (a Wayland client cannot open a
// popup of its own without a window to hang it on).
bool OnlyStatusNotifierTrays()
{
    return QGuiApplication::platformName() != QLatin1String("xcb");
}

// One icon in the notification area. On an XEmbed tray Qt's own icon window
// is watched directly, so every mouse event (a right-button release among
// them) comes through with its number; on a tray that reports only clicks,
// those are translated. Where only a StatusNotifierItem host could show it,
// the icon is made once such a host is up (Qt would otherwise settle for no
// tray for good), and the host is handed the menu.
class ShellIcon : public QObject {
public:
    ShellIcon(const NotifyIconData &data, const QIcon &icon)
        : m_hWnd(data.hWnd), m_uid(data.uID), m_callback(data.uCallbackMessage), m_image(icon)
    {
        const QByteArray tip(data.szTip, static_cast<int>(strnlen(data.szTip, sizeof data.szTip)));
        m_tip = QString::fromLatin1(tip);
        if (!OnlyStatusNotifierTrays() || platform::StatusNotifierHostUp()) {
            makeIcon();
            return;
        }
        m_hostWatch = std::make_unique<platform::StatusNotifierHostWatch>();
        QObject::connect(m_hostWatch.get(), &platform::StatusNotifierHostWatch::hostAppeared, this,
                         [this] { makeIcon(); });
    }

    ~ShellIcon() override
    {
        if (!m_icon)
            return;
        m_icon->hide();
        // The program may end right after a delete: let the tray see it first.
        QGuiApplication::sync();
    }

    quint32 hWnd() const { return m_hWnd; }
    quint32 uid() const { return m_uid; }
    QString tip() const { return m_tip; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && m_callback) {
            const quint32 number = MessageNumber(event);
            if (number)
                Notify(m_hWnd, number);
        }
        return false;
    }

private:
    void makeIcon()
    {
        if (m_icon)
            return; // a host that comes back finds the icon again by itself
        m_hostWatch.reset();
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setIcon(m_image);
        m_icon->setToolTip(m_tip);
        if (OnlyStatusNotifierTrays()) {
            m_menu = OwnersMenu(m_hWnd);
            if (m_menu)
                m_icon->setContextMenu(m_menu);
        }
        const QWidgetList before = QApplication::topLevelWidgets();
        m_icon->show();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!before.contains(w) && w->objectName() == QLatin1String("QSystemTrayIconSys")) {
                m_window = w;
                w->installEventFilter(this);
            }
        }
        QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                         [this](QSystemTrayIcon::ActivationReason reason) { onActivated(reason); });
    }

    void onActivated(QSystemTrayIcon::ActivationReason reason)
    {
        if (m_window || !m_callback)
            return; // the window's own events already came through
        switch (reason) {
        case QSystemTrayIcon::Context:
            if (!m_menu) // else the host has opened the menu already
                Notify(m_hWnd, WM_RBUTTONUP);
            break;
        case QSystemTrayIcon::Trigger:
            Notify(m_hWnd, 0x202);
            break;
        case QSystemTrayIcon::DoubleClick:
            Notify(m_hWnd, 0x203);
            break;
        case QSystemTrayIcon::MiddleClick:
            Notify(m_hWnd, 0x208);
            break;
        default:
            break;
        }
    }

    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<platform::StatusNotifierHostWatch> m_hostWatch;
    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    quint32 m_hWnd;
    quint32 m_uid;
    quint32 m_callback;
    QIcon m_image;
    QString m_tip;
};

std::vector<std::unique_ptr<ShellIcon>> &Icons()
{
    static std::vector<std::unique_ptr<ShellIcon>> icons;
    return icons;
}

auto FindIcon(const NotifyIconData &data)
{
    auto &icons = Icons();
    return std::find_if(icons.begin(), icons.end(), [&data](const auto &icon) {
        return icon->hWnd() == data.hWnd && icon->uid() == data.uID;
    });
}

} // namespace

quint32 WindowHandle(QWidget *window)
{
    return static_cast<quint32>(window->winId());
}

bool ShellNotifyIcon(std::uint32_t action, const NotifyIconData &data)
{
    auto &icons = Icons();
    const auto existing = FindIcon(data);
    if (action == NIM_ADD) {
        if (existing != icons.end() || data.cbSize != sizeof(NotifyIconData))
            return false;
        const auto handle = IconHandles().find(data.hIcon);
        const QIcon icon = handle != IconHandles().end() ? handle->second : QIcon();
        icons.push_back(std::make_unique<ShellIcon>(data, icon));
        return true;
    }
    if (action == NIM_DELETE) {
        if (existing == icons.end())
            return false;
        icons.erase(existing);
        return true;
    }
    return false;
}

void AddTrayIcon()
{
    TrayIconData.cbSize = sizeof(NotifyIconData);
    TrayIconData.hWnd = WindowHandle(&pages::Load(Page::TrayMenu));
    TrayIconData.uID = 1;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = WM_MOUSEMOVE;
    TrayIconData.hIcon = IconHandle(pages::Load(Page::Home).windowIcon());
    // The tip, a NUL, then blanks to the end of the field.
    std::memset(TrayIconData.szTip, ' ', sizeof TrayIconData.szTip);
    std::memcpy(TrayIconData.szTip, kTip, sizeof kTip);
    ShellNotifyIcon(NIM_ADD, TrayIconData);
}

void DeleteTrayIcon()
{
    if (ShellNotifyIcon(NIM_DELETE, TrayIconData))
        ui::EndIfNothingShown(); // the icon may have been all that was left
}

int TrayIconCount()
{
    return static_cast<int>(Icons().size());
}

QString TrayIconTip()
{
    return Icons().empty() ? QString() : Icons().front()->tip();
}
