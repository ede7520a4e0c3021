#include "platform/sessionlock/SessionLockPlugin.h"

#include "platform/sessionlock/DisplayChannel.h"
#include "platform/sessionlock/SessionLockIntegration.h"

namespace platform::sessionlock {

QPlatformIntegration *SessionLockPlugin::create(const QString &key, const QStringList &)
{
    if (key.compare(QLatin1String(kPlatformName), Qt::CaseInsensitive) != 0)
        return nullptr;
    const int fd = TakeKeptDisplaySocket();
    return fd < 0 ? nullptr : new SessionLockIntegration(fd);
}

} // namespace platform::sessionlock

// Compiled here, with QT_STATICPLUGIN, rather than with the layer's other moc output.
#include "moc_SessionLockPlugin.cpp"
