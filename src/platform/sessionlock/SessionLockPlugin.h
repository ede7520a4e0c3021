#pragma once
// The platform plugin's entry, linked into the program (Q_IMPORT_PLUGIN):
// Qt makes the platform from it when QT_QPA_PLATFORM names kPlatformName.

#include <qpa/qplatformintegrationplugin.h>

namespace platform::sessionlock {

class SessionLockPlugin : public QPlatformIntegrationPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QPlatformIntegrationFactoryInterface_iid FILE "SessionLockPlugin.json")
public:
    // Null (Qt then refuses to start) unless TakeDisplaySocket() found the
    // display channel.
    QPlatformIntegration *create(const QString &key, const QStringList &parameters) override;
};

} // namespace platform::sessionlock
