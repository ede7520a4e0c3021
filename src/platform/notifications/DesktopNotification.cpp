#include "platform/notifications/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kActionKey = QStringLiteral("default");
// How long the service has to answer Notify.
constexpr int kNotifyAnswerMs = 5000;

// The service's signals about one notification, believed only from the
// connection that answered Notify and only for the id it gave.
class NotificationWatch : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit NotificationWatch(QEventLoop &loop) : m_loop(loop) {}

    void Expect(const QString &owner, uint id)
    {
        m_owner = owner;
        m_id = id;
        m_expecting = true;
    }
    NotificationEnd End() const { return m_end; }

public Q_SLOTS:
    void actionInvoked(uint id, const QString &key)
    {
        if (!FromItsService(id) || key != kActionKey)
            return;
        Finish(NotificationEnd::ActionInvoked);
    }
    void notificationClosed(uint id, uint /*reason*/)
    {
        if (FromItsService(id))
            Finish(NotificationEnd::Closed);
    }

private:
    bool FromItsService(uint id) const
    {
        return m_expecting && id == m_id && calledFromDBus() && message().service() == m_owner;
    }
    void Finish(NotificationEnd end)
    {
        m_end = end;
        m_expecting = false;
        m_loop.quit();
    }

    QEventLoop &m_loop;
    QString m_owner;
    uint m_id = 0;
    bool m_expecting = false;
    NotificationEnd m_end = NotificationEnd::TimedOut;
};

} // namespace

NotificationEnd ShowNotificationAndWait(const DesktopNotification &notification, int waitMs, QString &problem)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        problem = QStringLiteral("no session bus (%1)").arg(bus.lastError().message());
        return NotificationEnd::NoService;
    }
    QEventLoop loop;
    NotificationWatch watch(loop);
    // Before Notify, so that nothing it says about the new one is missed.
    // From any sender: Qt would look the name's owner up on its own, and drop
    // a signal that comes before its answer (a notice closed at once); the
    // watch believes only the connection that answers Notify.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), &watch,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), &watch,
                SLOT(notificationClosed(uint, uint)));

    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), notification.desktopEntry},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    notify << notification.appName << uint(0) << notification.icon << notification.summary << notification.body
           << QStringList{kActionKey, notification.actionLabel} << hints << int(-1);
    const QDBusMessage reply = bus.call(notify, QDBus::Block, kNotifyAnswerMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        problem = reply.errorMessage().isEmpty() ? QStringLiteral("the notification service did not answer")
                                                 : reply.errorMessage();
        return NotificationEnd::NoService;
    }
    watch.Expect(reply.service(), reply.arguments().constFirst().toUInt());
    // A service that goes away takes its notifications along.
    QDBusServiceWatcher gone(reply.service(), bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);
    if (!bus.interface()->isServiceRegistered(reply.service()))
        return NotificationEnd::Closed;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return watch.End();
}

} // namespace platform

#include "DesktopNotification.moc"
