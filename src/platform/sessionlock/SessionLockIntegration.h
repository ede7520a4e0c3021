#pragma once
// The Qt platform of a lock the front holds on a Wayland session: windows
// composed into the front's shared buffer (SessionLockScreen), input from the
// front's messages (InputRelay), the generic Unix event loop, fonts and
// theme. It links no Wayland library and opens no display connection: the
// display channel is all it talks to.

#include "platform/sessionlock/DisplayChannel.h"
#include "platform/sessionlock/PlatformName.h"

#include <qpa/qplatformintegration.h>

#include <functional>
#include <memory>
#include <optional>

namespace platform::sessionlock {

class InputRelay;
class SessionLockScreen;

// How long the start waits for the front's first surface: Qt needs a screen
// before any window can be made.
inline constexpr int kFirstSurfaceWaitMs = 10000;

class SessionLockIntegration : public QPlatformIntegration {
public:
    explicit SessionLockIntegration(int channelFd); // takes the descriptor over
    ~SessionLockIntegration() override;

    // The running one, or null on any other platform.
    static SessionLockIntegration *Instance();

    void initialize() override;
    bool hasCapability(Capability capability) const override;
    QPlatformWindow *createPlatformWindow(QWindow *window) const override;
    QPlatformBackingStore *createPlatformBackingStore(QWindow *window) const override;
    QAbstractEventDispatcher *createEventDispatcher() const override;
    QPlatformFontDatabase *fontDatabase() const override;
    QStringList themeNames() const override;
    QPlatformTheme *createPlatformTheme(const QString &name) const override;

    SessionLockScreen *Screen() const { return m_screen; }
    // The keyboard's layouts as the front reads the keys (its last Keyboard
    // message), and a call each time they change; a layout chosen here goes
    // to the front.
    const std::optional<protocol::display::Message> &Layout() const { return m_layout; }
    void SetLayoutListener(std::function<void()> listener) { m_layoutListener = std::move(listener); }
    void SelectLayout(std::uint32_t group);

private:
    void OnMessage(Incoming &incoming);

    std::unique_ptr<DisplayChannel> m_channel;
    SessionLockScreen *m_screen = nullptr; // Qt's once added
    std::unique_ptr<InputRelay> m_input;
    std::unique_ptr<QPlatformFontDatabase> m_fonts;
    std::optional<protocol::display::Message> m_layout;
    std::function<void()> m_layoutListener;
};

} // namespace platform::sessionlock
