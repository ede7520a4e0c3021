#include "platform/sessionlock/SessionLockKeyboard.h"

#include "core/KeyboardLayoutName.h"
#include "platform/sessionlock/SessionLockIntegration.h"

namespace platform::sessionlock {

namespace {

class SessionLockKeyboard : public KeyboardState {
public:
    explicit SessionLockKeyboard(SessionLockIntegration &integration) : m_integration(integration)
    {
        m_integration.SetLayoutListener([this] { Q_EMIT Changed(); });
    }
    ~SessionLockKeyboard() override { m_integration.SetLayoutListener({}); }

    std::optional<KeyboardLayout> Current() override
    {
        const std::optional<protocol::display::Message> &layout = m_integration.Layout();
        if (!layout || layout->group >= layout->layouts.size())
            return std::nullopt;
        const std::string &name = layout->layouts[layout->group];
        KeyboardLayout current;
        current.shortName = QString::fromStdString(keyboard_layout::ShortName(std::nullopt, int(layout->group), name));
        current.fullName = QString::fromStdString(name);
        current.group = int(layout->group);
        current.groups = int(layout->layouts.size());
        current.capsLock = layout->capsLock;
        // The compositor's own layout key may do nothing under a lock: the
        // lock's Alt+Shift always switches.
        current.altShiftSwitches = false;
        return current;
    }

    void SelectNextLayout() override
    {
        const std::optional<protocol::display::Message> &layout = m_integration.Layout();
        if (!layout || layout->layouts.size() < 2)
            return;
        m_integration.SelectLayout(std::uint32_t((layout->group + 1) % layout->layouts.size()));
    }

private:
    SessionLockIntegration &m_integration;
};

} // namespace

std::unique_ptr<KeyboardState> CreateSessionLockKeyboard()
{
    SessionLockIntegration *integration = SessionLockIntegration::Instance();
    if (!integration)
        return nullptr;
    return std::make_unique<SessionLockKeyboard>(*integration);
}

} // namespace platform::sessionlock
