#include "platform/sessionlock/SessionLockIntegration.h"

#include "platform/sessionlock/InputRelay.h"
#include "platform/sessionlock/SessionLockScreen.h"
#include "platform/sessionlock/SharedBuffer.h"

#include <QtGui/private/qgenericunixeventdispatcher_p.h>
#include <QtGui/private/qgenericunixfontdatabase_p.h>
#include <QtGui/private/qgenericunixthemes_p.h>
#include <qpa/qwindowsysteminterface.h>

#include <QDeadlineTimer>

namespace platform::sessionlock {

namespace {

using protocol::display::Kind;

SessionLockIntegration *g_instance = nullptr;

} // namespace

SessionLockIntegration::SessionLockIntegration(int channelFd)
    : m_channel(std::make_unique<DisplayChannel>(channelFd)), m_fonts(std::make_unique<QGenericUnixFontDatabase>())
{
    g_instance = this;
}

SessionLockIntegration::~SessionLockIntegration()
{
    m_input.reset();
    if (m_screen)
        QWindowSystemInterface::handleScreenRemoved(m_screen);
    g_instance = nullptr;
}

SessionLockIntegration *SessionLockIntegration::Instance()
{
    return g_instance;
}

void SessionLockIntegration::initialize()
{
    // The first surface gives the screen; one whose buffer is unusable is
    // skipped, as later ones are.
    std::unique_ptr<SharedBuffer> first;
    const QDeadlineTimer deadline(kFirstSurfaceWaitMs);
    while (!first && !deadline.hasExpired()) {
        std::optional<Incoming> surface = m_channel->WaitForSurface(int(deadline.remainingTime()));
        if (!surface)
            break;
        first = SharedBuffer::Map(surface->message, std::move(surface->buffer));
    }
    // Without one the program still runs, drawing where nothing shows it,
    // until a surface comes: the front keeps its own cover meanwhile.
    m_screen = new SessionLockScreen(std::move(first), [this](const protocol::display::Message &frame) {
        m_channel->Send(frame);
    });
    m_screen->initialize();
    QWindowSystemInterface::handleScreenAdded(m_screen);
    m_input = std::make_unique<InputRelay>(*m_screen);
    // The front's end closing is the supervisor's end closing too: the
    // supervisor link deals with a front that is gone.
    m_channel->Start([this](Incoming &incoming) { OnMessage(incoming); }, [] {});
}

void SessionLockIntegration::OnMessage(Incoming &incoming)
{
    const protocol::display::Message &message = incoming.message;
    switch (message.kind) {
    case Kind::Surface:
        if (std::unique_ptr<SharedBuffer> buffer = SharedBuffer::Map(message, std::move(incoming.buffer)))
            m_screen->Replace(std::move(buffer));
        return;
    case Kind::Done:
        m_screen->FrameShown(message.buffer);
        return;
    case Kind::Key:
        m_input->Key(message);
        return;
    case Kind::Pointer:
        m_input->Pointer(message);
        return;
    case Kind::Button:
        m_input->Button(message);
        return;
    case Kind::Axis:
        m_input->Axis(message);
        return;
    case Kind::Ping: {
        // Answered from the event loop: a lock stuck anywhere does not.
        protocol::display::Message pong{Kind::Pong};
        pong.code = message.code;
        m_channel->Send(pong);
        return;
    }
    case Kind::Keyboard:
        m_layout = message;
        if (m_layoutListener)
            m_layoutListener();
        return;
    case Kind::Frame: // the program's own messages: never from the front
    case Kind::Pong:
    case Kind::SelectLayout:
    case Kind::Wait:
        return;
    }
}

void SessionLockIntegration::SelectLayout(std::uint32_t group)
{
    protocol::display::Message select{Kind::SelectLayout};
    select.group = group;
    m_channel->Send(select);
}

bool SessionLockIntegration::hasCapability(Capability capability) const
{
    switch (capability) {
    case ThreadedPixmaps:
        return true;
    // No window manager: the lock places its windows itself.
    case WindowManagement:
        return false;
    default:
        return QPlatformIntegration::hasCapability(capability);
    }
}

QPlatformWindow *SessionLockIntegration::createPlatformWindow(QWindow *window) const
{
    return new QFbWindow(window);
}

QPlatformBackingStore *SessionLockIntegration::createPlatformBackingStore(QWindow *window) const
{
    return new QFbBackingStore(window);
}

QAbstractEventDispatcher *SessionLockIntegration::createEventDispatcher() const
{
    return createUnixEventDispatcher();
}

QPlatformFontDatabase *SessionLockIntegration::fontDatabase() const
{
    return m_fonts.get();
}

// The generic theme alone: the desktop's own (GTK's, KDE's) would open a
// display connection of its own.
QStringList SessionLockIntegration::themeNames() const
{
    return {QString::fromLatin1(QGenericUnixTheme::name)};
}

QPlatformTheme *SessionLockIntegration::createPlatformTheme(const QString &name) const
{
    return name == QLatin1String(QGenericUnixTheme::name) ? QGenericUnixTheme::createUnixTheme(name) : nullptr;
}

} // namespace platform::sessionlock
