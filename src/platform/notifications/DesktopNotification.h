#pragma once
// One notification through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), with one action, and
// the wait for what becomes of it. The action counts only when the service
// that showed the notification says so: a signal of the same name from any
// other peer of the bus is not its answer.

#include <QString>

namespace platform {

struct DesktopNotification {
    QString appName;
    QString icon; // a theme icon's name
    QString desktopEntry;
    QString summary;
    QString body;
    QString actionLabel; // the action "default"
};

enum class NotificationEnd {
    ActionInvoked, // the user chose the action
    Closed,        // the service closed it (expired, dismissed)
    TimedOut,      // neither within the wait
    NoService,     // no session bus or no service answered (`problem` says which)
};

// Shows the notification and waits, at most waitMs, for it to close or its
// action to be invoked. Needs a Qt application object (no display).
NotificationEnd ShowNotificationAndWait(const DesktopNotification &notification, int waitMs, QString &problem);

} // namespace platform
