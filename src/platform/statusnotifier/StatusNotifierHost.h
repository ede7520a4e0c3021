#pragma once
// Whether the desktop shows StatusNotifierItems: a panel's tray on Wayland
// desktops and KDE, found through the watcher on the session bus
// (org.kde.StatusNotifierWatcher) and its IsStatusNotifierHostRegistered.
//
// Qt decides once per process, when its first tray icon is made, whether
// its icons go over D-Bus, and keeps that answer. Where there is no other
// tray, an icon made before the panel is up would never show, so the icon
// waits for hostAppeared().

#include <QObject>

namespace platform {

// Asks the watcher now (at most a second's wait). False without a session
// bus or a watcher, or when the watcher knows no host.
bool StatusNotifierHostUp();

// Watches for a host coming up: a watcher that starts, or a host that
// registers with one. hostAppeared() is emitted each time the watcher then
// says a host is registered.
class StatusNotifierHostWatch : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierHostWatch(QObject *parent = nullptr);

Q_SIGNALS:
    void hostAppeared();

private Q_SLOTS:
    void askWatcher();
};

} // namespace platform
