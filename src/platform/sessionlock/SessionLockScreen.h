#pragma once
// The one screen of a Wayland lock: Qt's framebuffer compositor drawing every
// top-level window into the front's shared buffer, one frame at a time. A
// frame is told to the front and nothing more is drawn until it is on
// screen (the buffer's shown count says so, or the front's Done when the
// screen had to wait), so the program draws at the compositor's pace and not
// at all while nothing changes. A wait that lasts (the compositor shows
// nothing: its output is off) is the display asleep to the lock's timers.

#include "core/LockDisplayProtocol.h"
#include "platform/sessionlock/SharedBuffer.h"

#include "platform/sessionlock/QtFramebuffer.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace platform::sessionlock {

// Holds the mapped buffer for the screen, as a base destroyed after Qt's
// compositor, whose painter may still be open on it.
struct MappedBufferHolder {
    std::unique_ptr<SharedBuffer> buffer;
};

class SessionLockScreen : private MappedBufferHolder, public QFbScreen {
public:
    // Sends the front a Frame or a Wait.
    using FrameSender = std::function<void(const protocol::display::Message &)>;
    // Without a buffer (the front sent none in time) it draws into memory of
    // its own, at a stand-in size, and tells no frames until one comes.
    SessionLockScreen(std::unique_ptr<SharedBuffer> buffer, FrameSender sendFrame);

    bool initialize() override;
    QDpi logicalDpi() const override;
    // Windows keep the geometry the program gives them: the lock places its own.
    Flags flags() const override { return DontForceFirstWindowToFullScreen; }
    QString name() const override { return QStringLiteral("session-lock"); }

    // A new surface's buffer: the screen takes its size and scale, and all
    // of it is drawn again.
    void Replace(std::unique_ptr<SharedBuffer> buffer);
    // The front's Done: what was drawn into that buffer is shown, the next
    // frame may be drawn.
    void FrameShown(std::uint32_t buffer);
    // Buffers taken since the start: moves when the size may have changed.
    unsigned long Generation() const { return m_generation; }
    // The screen in Qt's device-independent pixels.
    QRect LogicalGeometry() const;
    // Whether these windows are the top of the stack, the last one on top.
    bool OnTop(const std::vector<QWindow *> &lowestFirst) const;

protected:
    QRegion doRedraw() override;

private:
    int Scale() const { return buffer ? buffer->Scale() : 1; }
    void TakeBufferSize();
    bool FrameOutstanding() const;
    void StopWaiting();

    FrameSender m_sendFrame;
    std::uint32_t m_framesSent = 0; // into the current buffer
    bool m_waitSent = false;
    bool m_updateWanted = false;
    QTimer m_waitLasts; // single-shot, from the Wait sent
    unsigned long m_generation = 0;
};

} // namespace platform::sessionlock
