#include "platform/statusnotifier/StatusNotifierHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace platform {

namespace {

const char kWatcherService[] = "org.kde.StatusNotifierWatcher";
const char kWatcherPath[] = "/StatusNotifierWatcher";
const char kHostProperty[] = "IsStatusNotifierHostRegistered";
// A watcher that does not answer must not hold up the screens for long.
constexpr int kAnswerMs = 1000;

QDBusMessage HostPropertyQuery()
{
    QDBusMessage query = QDBusMessage::createMethodCall(
        QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    query << QLatin1String(kWatcherService) << QLatin1String(kHostProperty);
    return query;
}

bool SaysHostUp(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

bool StatusNotifierHostUp()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QLatin1String(kWatcherService)))
        return false;
    return SaysHostUp(bus.call(HostPropertyQuery(), QDBus::Block, kAnswerMs));
}

StatusNotifierHostWatch::StatusNotifierHostWatch(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no session bus: no tray of this kind will ever come
    auto *services = new QDBusServiceWatcher(QLatin1String(kWatcherService), bus,
                                             QDBusServiceWatcher::WatchForRegistration, this);
    connect(services, &QDBusServiceWatcher::serviceRegistered, this, [this] { askWatcher(); });
    // Connected by the well-known name, so that a watcher started later is heard too.
    bus.connect(QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
                QLatin1String(kWatcherService), QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(askWatcher()));
}

void StatusNotifierHostWatch::askWatcher()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(HostPropertyQuery(), kAnswerMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (SaysHostUp(call->reply()))
            Q_EMIT hostAppeared();
    });
}

} // namespace platform
