#include "platform/sessionlock/SessionLockScreen.h"

#include "platform/DisplayActivity.h"

#include <qpa/qwindowsysteminterface.h>

#include <QWindow>

#include <algorithm>

namespace platform::sessionlock {

namespace {

// A compositor showing its output answers for a frame within a frame or so.
constexpr int kWaitLastsMs = 2000;

using protocol::display::Kind;
using protocol::display::Message;

// Until the front sends a buffer: a common size, so that windows have
// somewhere to be.
constexpr QSize kStandInSize(1024, 768);
constexpr double kBaseDpi = 96;

} // namespace

SessionLockScreen::SessionLockScreen(std::unique_ptr<SharedBuffer> mapped, FrameSender sendFrame)
    : MappedBufferHolder{std::move(mapped)}, m_sendFrame(std::move(sendFrame))
{
    m_waitLasts.setSingleShot(true);
    m_waitLasts.setInterval(kWaitLastsMs);
    QObject::connect(&m_waitLasts, &QTimer::timeout, [] { platform::displayActivity().SetFramesHeld(true); });
}

void SessionLockScreen::StopWaiting()
{
    m_waitSent = false;
    m_waitLasts.stop();
    platform::displayActivity().SetFramesHeld(false);
}

void SessionLockScreen::TakeBufferSize()
{
    const QSize size = buffer ? buffer->Size() : kStandInSize;
    mGeometry = QRect(QPoint(0, 0), size);
    const double dpi = kBaseDpi * Scale();
    mPhysicalSize = QSizeF(size.width() * 25.4 / dpi, size.height() * 25.4 / dpi);
}

bool SessionLockScreen::initialize()
{
    mDepth = 32;
    mFormat = QImage::Format_RGB32;
    TakeBufferSize();
    // Makes an image of its own: the shared one replaces it after.
    initializeCompositor();
    if (buffer)
        mScreenImage = buffer->Image();
    setDirty(mGeometry);
    return true;
}

QDpi SessionLockScreen::logicalDpi() const
{
    // Qt's own scaling then makes the output's scale the device pixel ratio.
    const double dpi = kBaseDpi * Scale();
    return QDpi(dpi, dpi);
}

QRect SessionLockScreen::LogicalGeometry() const
{
    const int scale = Scale();
    return QRect(0, 0, qRound(double(mGeometry.width()) / scale), qRound(double(mGeometry.height()) / scale));
}

void SessionLockScreen::Replace(std::unique_ptr<SharedBuffer> replacement)
{
    const bool scaleChanged = replacement->Scale() != Scale();
    std::unique_ptr<SharedBuffer> old = std::move(buffer);
    buffer = std::move(replacement);
    if (scaleChanged) {
        const QDpi dpi = logicalDpi();
        QWindowSystemInterface::handleScreenLogicalDotsPerInchChange(screen(), dpi.first, dpi.second);
    }
    TakeBufferSize();
    // Closes the compositor's painter and makes an image of the new size
    // (full-screen windows follow it); the shared one replaces it after.
    setGeometry(mGeometry);
    mScreenImage = buffer->Image();
    old.reset();
    ++m_generation;
    platform::displayActivity().ReportChange(); // the lock follows the new size
    // A new buffer holds none of what was drawn: all of it again, at once.
    m_framesSent = 0;
    StopWaiting();
    m_updateWanted = false;
    setDirty(mGeometry);
}

bool SessionLockScreen::FrameOutstanding() const
{
    // Once it has asked, the screen waits for the answer.
    return buffer && (m_waitSent || buffer->ShownCount() != m_framesSent);
}

void SessionLockScreen::FrameShown(std::uint32_t number)
{
    if (!buffer || number != buffer->Number() || !m_waitSent)
        return;
    StopWaiting();
    // The front says all is shown, and nothing was drawn since the screen
    // asked: a frame it refused (counted here, never there) must not hold
    // the screen back for good.
    m_framesSent = buffer->ShownCount();
    if (m_updateWanted) {
        m_updateWanted = false;
        scheduleUpdate();
    }
}

QRegion SessionLockScreen::doRedraw()
{
    // The compositor may still be reading the frame told last: the front is
    // asked to say when it is done, once.
    if (FrameOutstanding()) {
        m_updateWanted = true;
        if (!m_waitSent) {
            m_waitSent = true;
            Message wait{Kind::Wait};
            wait.buffer = buffer->Number();
            m_sendFrame(wait);
            m_waitLasts.start();
        }
        return {};
    }
    const QRegion drawn = QFbScreen::doRedraw();
    if (!buffer || drawn.isEmpty())
        return drawn;
    const QRect rect = drawn.boundingRect().intersected(QRect(QPoint(0, 0), buffer->Size()));
    if (rect.isEmpty())
        return drawn;
    Message frame{Kind::Frame};
    frame.buffer = buffer->Number();
    frame.x = rect.x();
    frame.y = rect.y();
    frame.width = std::uint32_t(rect.width());
    frame.height = std::uint32_t(rect.height());
    ++m_framesSent;
    m_sendFrame(frame);
    return drawn;
}

bool SessionLockScreen::OnTop(const std::vector<QWindow *> &lowestFirst) const
{
    // Menus and tips shown above the windows stay there: only windows and
    // dialogs count.
    std::vector<const QWindow *> stacked; // the top first
    for (const QFbWindow *w : mWindowStack) {
        const Qt::WindowType kind = w->window()->type();
        if (kind == Qt::Window || kind == Qt::Dialog)
            stacked.push_back(w->window());
    }
    if (lowestFirst.size() > stacked.size())
        return false;
    return std::equal(lowestFirst.rbegin(), lowestFirst.rend(), stacked.begin());
}

} // namespace platform::sessionlock
