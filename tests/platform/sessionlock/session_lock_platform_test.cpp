// The program's Wayland platform against a stand-in front: the display
// channel and a sealed memfd made here, the first surface sent before Qt
// starts, then what reaches the buffer and the channel, and what the
// front's input does to real widgets.

#include "core/LockDisplayProtocol.h"
#include "platform/sessionlock/DisplayChannel.h"
#include "platform/sessionlock/PlatformName.h"
#include "platform/sessionlock/SessionLockKeyboard.h"
#include "platform/sessionlock/SessionLockShell.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QtPlugin>
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

Q_IMPORT_PLUGIN(SessionLockPlugin)

namespace {

using protocol::display::Kind;
using protocol::display::Message;

constexpr int kWaitMs = 10000;

// A pixel as XRGB8888 holds it, its unused byte left out.
constexpr QRgb Rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xffffff;
}

// A buffer as the front makes one: a memfd of its rows and the shown count,
// sealed against shrinking and growing.
struct FrontBuffer {
    std::uint32_t number = 0, width = 0, height = 0, scale = 1;
    int fd = -1;
    std::uint32_t *pixels = nullptr;

    QRgb Pixel(int x, int y) const { return pixels[size_t(y) * width + size_t(x)] & 0xffffff; }
    std::atomic_ref<std::uint32_t> Shown() const
    {
        return protocol::display::ShownCountIn(pixels, std::uint64_t(width) * 4, height);
    }
};

FrontBuffer MakeBuffer(std::uint32_t number, std::uint32_t width, std::uint32_t height, std::uint32_t scale = 1)
{
    FrontBuffer b{number, width, height, scale};
    b.fd = ::memfd_create("gardlock-test-buffer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    const auto length = size_t(protocol::display::SurfaceMemorySize(std::uint64_t(width) * 4, height));
    if (b.fd < 0 || ::ftruncate(b.fd, off_t(length)) != 0 || ::fcntl(b.fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW) != 0)
        std::abort();
    b.pixels = static_cast<std::uint32_t *>(::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, b.fd, 0));
    return b;
}

Message SurfaceOf(const FrontBuffer &b)
{
    Message m{Kind::Surface};
    m.buffer = b.number;
    m.width = b.width;
    m.height = b.height;
    m.stride = b.width * 4;
    m.scale = b.scale;
    return m;
}

// The front's end of the display pair.
class StandInFront {
public:
    StandInFront()
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
            std::abort();
        m_fd = pair[0];
        m_program = pair[1];
    }
    int ProgramEnd() const { return m_program; }

    void SendRaw(const std::string &packet, int fd = -1) const
    {
        iovec vector{const_cast<char *>(packet.data()), packet.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr header{};
        header.msg_iov = &vector;
        header.msg_iovlen = 1;
        if (fd >= 0) {
            header.msg_control = control;
            header.msg_controllen = sizeof control;
            cmsghdr *c = CMSG_FIRSTHDR(&header);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
        }
        ASSERT_GE(::sendmsg(m_fd, &header, MSG_NOSIGNAL), 0);
    }
    void Send(const Message &m, int fd = -1) const { SendRaw(protocol::display::Encode(m), fd); }
    void Show(const FrontBuffer &b)
    {
        // As the front does: the count starts again with the buffer sent.
        m_told = 0;
        m_waiting = false;
        b.Shown().store(0, std::memory_order_release);
        Send(SurfaceOf(b), b.fd);
        current = b;
    }
    // The compositor showed every frame told in the current buffer: its count
    // says so, and a program that waits is told.
    void Done(std::uint32_t buffer)
    {
        if (buffer != current.number)
            return;
        current.Shown().store(m_told, std::memory_order_release);
        if (m_waiting)
            AnswerWait();
    }
    int WaitsSeen() const { return m_waitsSeen; }

    // The next frame the program tells, reading nothing else; the event
    // loop runs meanwhile. Nothing when none came in time.
    // The same for any kind of the program's messages.
    // A Wait read on the way is answered as the front answers it.
    std::optional<Message> NextOf(Kind kind, int waitMs = kWaitMs)
    {
        const QDeadlineTimer deadline(waitMs);
        do {
            char packet[256];
            const ssize_t size = ::recv(m_fd, packet, sizeof packet, MSG_DONTWAIT);
            if (size > 0) {
                std::optional<Message> m = protocol::display::Parse({packet, size_t(size)});
                if (m && m->kind == Kind::Frame && m->buffer == current.number)
                    ++m_told;
                if (m && m->kind == Kind::Wait && m->buffer == current.number) {
                    ++m_waitsSeen;
                    m_waiting = true;
                    if (current.Shown().load(std::memory_order_acquire) == m_told)
                        AnswerWait();
                }
                if (m && m->kind == kind)
                    return m;
                continue;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        } while (!deadline.hasExpired());
        return std::nullopt;
    }
    // Frames are shown (acknowledged) until one leaves the buffer as wanted.
    std::optional<Message> FrameWhere(const std::function<bool(const Message &)> &wanted)
    {
        const QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            std::optional<Message> frame = NextFrame(int(deadline.remainingTime()));
            if (!frame)
                break;
            if (wanted(*frame))
                return frame;
            Done(frame->buffer);
        }
        return std::nullopt;
    }
    // Shows every frame told so far.
    void ShowAll()
    {
        while (std::optional<Message> frame = NextFrame(0))
            Done(frame->buffer);
        Done(current.number);
    }
    // Reads whatever the program has sent, running its event loop meanwhile.
    void ReadAll()
    {
        for (int i = 0; i < 8; ++i)
            NextOf(Kind::Pong, 0);
    }
    std::optional<Message> NextFrame(int waitMs = kWaitMs) { return NextOf(Kind::Frame, waitMs); }

    FrontBuffer current;

private:
    void AnswerWait()
    {
        m_waiting = false;
        Message done{Kind::Done};
        done.buffer = current.number;
        Send(done);
    }

    int m_fd = -1;
    int m_program = -1;
    std::uint32_t m_told = 0; // frames the program told in the current buffer
    bool m_waiting = false;
    int m_waitsSeen = 0;
};

StandInFront *g_front = nullptr;

bool WaitUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(kWaitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        g_front->ShowAll(); // a frame left waiting would hold every drawing back
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs what is posted (paints, flushes, the screen's redraw) without waiting
// for anything that has not happened yet.
void RunPosted()
{
    for (int i = 0; i < 8; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

std::unique_ptr<QWidget> SolidWindow(QColor colour, QRect geometry)
{
    auto w = std::make_unique<QWidget>();
    w->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
    w->setGeometry(geometry);
    return w;
}

Message KeyOf(bool press, std::uint32_t code, std::uint32_t keysym, const std::string &text,
              std::uint8_t modifiers = 0)
{
    Message key{Kind::Key};
    key.press = press;
    key.code = code;
    key.keysym = keysym;
    key.text = text;
    key.modifiers = modifiers;
    return key;
}

void Type(std::uint32_t code, std::uint32_t keysym, const std::string &text, std::uint8_t modifiers = 0)
{
    g_front->Send(KeyOf(true, code, keysym, text, modifiers));
    g_front->Send(KeyOf(false, code, keysym, text, modifiers));
}

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

TEST(SessionLockPlatform, DrawsIntoTheSharedBufferOneFrameAtATime)
{
    StandInFront &front = *g_front;
    front.ShowAll();
    const QRect place(20, 30, 120, 90);
    std::unique_ptr<QWidget> window = SolidWindow(QColor(200, 0, 0), place);
    window->show();
    const std::optional<Message> frame =
        front.FrameWhere([&](const Message &) { return front.current.Pixel(60, 70) == Rgb(200, 0, 0); });
    ASSERT_TRUE(frame) << "the window's pixels never reached the front's buffer";
    EXPECT_EQ(frame->buffer, front.current.number);
    EXPECT_TRUE(protocol::display::FrameFits(*frame, front.current.width, front.current.height));
    EXPECT_TRUE(QRect(frame->x, frame->y, int(frame->width), int(frame->height)).contains(place));

    // While that frame is not shown, a change draws nothing and asks, once,
    // to be told when it is.
    const auto recolour = [&](QColor colour) {
        QPalette p = window->palette();
        p.setColor(QPalette::Window, colour);
        window->setPalette(p);
        window->update();
        RunPosted();
    };
    const int waitsBefore = front.WaitsSeen();
    recolour(QColor(0, 0, 200));
    recolour(QColor(0, 0, 210));
    EXPECT_FALSE(front.NextFrame(0)) << "a second frame before the first was shown";
    front.ReadAll();
    EXPECT_EQ(front.WaitsSeen(), waitsBefore + 1);
    EXPECT_EQ(front.current.Pixel(60, 70), Rgb(200, 0, 0));

    front.Done(frame->buffer);
    const std::optional<Message> next = front.NextFrame();
    ASSERT_TRUE(next) << "the change waiting for the frame was never drawn";
    EXPECT_EQ(front.current.Pixel(60, 70), Rgb(0, 0, 210));

    // A frame the buffer's count says is shown: the next is drawn at once,
    // with no word from the front and no question from the program.
    front.Done(next->buffer);
    const int waitsShown = front.WaitsSeen();
    recolour(QColor(0, 200, 0));
    const std::optional<Message> third = front.NextFrame();
    ASSERT_TRUE(third) << "a frame the count showed held the next one back";
    EXPECT_EQ(front.current.Pixel(60, 70), Rgb(0, 200, 0));
    EXPECT_EQ(front.WaitsSeen(), waitsShown) << "the program waited for a frame already shown";
    front.Done(third->buffer);
}

TEST(SessionLockPlatform, KeysTypeIntoTheFocusedBox)
{
    QLineEdit box;
    box.setGeometry(100, 100, 200, 30);
    int returns = 0;
    QObject::connect(&box, &QLineEdit::returnPressed, [&] { ++returns; });
    box.show();
    box.activateWindow();
    box.setFocus();
    ASSERT_TRUE(WaitUntil([&] { return QGuiApplication::focusWindow() == box.windowHandle() && box.hasFocus(); }));

    // xkbcommon's key codes and symbols of a US keyboard.
    Type(38, 0x61, "a");
    Type(56, 0x62, "b");
    Type(22, 0xff08, "\b");                              // BackSpace
    Type(38, 0x41, "A", protocol::display::kShift);      // Shift+a
    Type(36, 0xff0d, "\r");                              // Return
    EXPECT_TRUE(WaitUntil([&] { return returns == 1; })) << "Return did not reach the box";
    EXPECT_EQ(box.text(), QStringLiteral("aA"));
}

TEST(SessionLockPlatform, TheLayoutNotesFollowTheFrontsKeymap)
{
    const std::unique_ptr<platform::KeyboardState> keyboard = platform::sessionlock::CreateSessionLockKeyboard();
    ASSERT_TRUE(keyboard);
    int changes = 0;
    QObject::connect(keyboard.get(), &platform::KeyboardState::Changed, [&] { ++changes; });
    Message layout{Kind::Keyboard};
    layout.layouts = {"English (US)", "Russian"};
    layout.group = 1;
    layout.capsLock = true;
    g_front->Send(layout);
    ASSERT_TRUE(WaitUntil([&] { return changes > 0; }));
    const std::optional<platform::KeyboardLayout> current = keyboard->Current();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->shortName, QStringLiteral("RUSSIAN"));
    EXPECT_EQ(current->fullName, QStringLiteral("Russian"));
    EXPECT_EQ(current->groups, 2);
    EXPECT_TRUE(current->capsLock);
    EXPECT_FALSE(current->altShiftSwitches) << "the lock's own switch is always on";

    // The next layout, after the last the first, is the front's to read keys in.
    keyboard->SelectNextLayout();
    const std::optional<Message> select = g_front->NextOf(Kind::SelectLayout);
    ASSERT_TRUE(select);
    EXPECT_EQ(select->group, 0u);
}

TEST(SessionLockPlatform, ButtonsClickWhereThePointerIs)
{
    QPushButton button(QStringLiteral("Verify"));
    button.setGeometry(200, 150, 100, 40);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    button.show();
    ASSERT_TRUE(WaitUntil([&] { return button.windowHandle() && button.windowHandle()->isExposed(); }));

    Message away{Kind::Pointer};
    away.x = 10;
    away.y = 10;
    Message over{Kind::Pointer};
    over.x = 250;
    over.y = 170;
    Message press{Kind::Button};
    press.code = 0x110; // BTN_LEFT
    Message release = press;
    release.press = false;
    // Pressed and let go outside it: no click.
    g_front->Send(away);
    g_front->Send(press);
    g_front->Send(release);
    g_front->Send(over);
    g_front->Send(press);
    g_front->Send(release);
    EXPECT_TRUE(WaitUntil([&] { return clicks >= 1; })) << "the press and release over the button did not click it";
    RunPosted();
    EXPECT_EQ(clicks, 1);
}

TEST(SessionLockPlatform, ANewSurfaceResizesTheScreenAndItsFullScreenWindows)
{
    StandInFront &front = *g_front;
    std::unique_ptr<QWidget> window = SolidWindow(QColor(0, 150, 0), QRect(0, 0, 50, 50));
    window->showFullScreen();
    ASSERT_TRUE(WaitUntil([&] { return window->geometry() == QRect(0, 0, int(front.current.width), int(front.current.height)); }));
    const std::unique_ptr<platform::ShellLockdown> shell = platform::sessionlock::CreateSessionLockShell();
    const unsigned long generation = shell->DesktopGeneration();

    // Twice the pixels at scale 2: the same size in Qt's pixels.
    const FrontBuffer larger = MakeBuffer(front.current.number + 1, 960, 720, 2);
    front.Show(larger);
    // The first frame on it covers all of it; the window then fills it.
    const std::optional<Message> first =
        front.FrameWhere([&](const Message &m) { return m.buffer == larger.number; });
    ASSERT_TRUE(first) << "nothing was drawn into the new buffer";
    EXPECT_EQ(first->buffer, larger.number);
    EXPECT_EQ(QRect(first->x, first->y, int(first->width), int(first->height)), QRect(0, 0, 960, 720));
    front.Done(first->buffer);
    // The window may follow the screen before or after that frame: no other
    // frame need come, so frames are shown until it has.
    ASSERT_TRUE(WaitUntil([&] { return window->geometry() == QRect(0, 0, 480, 360); }))
        << "the full-screen window did not follow the new buffer";
    ASSERT_TRUE(WaitUntil([&] { return larger.Pixel(955, 715) == Rgb(0, 150, 0); }))
        << "the full-screen window never reached the new buffer's far corner";
    EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), 2.0);
    EXPECT_EQ(shell->DesktopArea(), QRect(0, 0, 480, 360));
    EXPECT_NE(shell->DesktopGeneration(), generation);

    // Back to scale 1 for the cases after.
    const FrontBuffer plain = MakeBuffer(larger.number + 1, 640, 480);
    front.Show(plain);
    ASSERT_TRUE(WaitUntil([&] { return window->geometry() == QRect(0, 0, 640, 480); }));
}

TEST(SessionLockPlatform, HostilePacketsAreIgnored)
{
    StandInFront &front = *g_front;
    QWidget target;
    target.setGeometry(0, 0, 300, 300);
    target.setMouseTracking(true);
    QPoint seen;
    struct Watch : QObject {
        QPoint *seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::MouseMove)
                *seen = static_cast<QMouseEvent *>(e)->position().toPoint();
            return false;
        }
    } watch;
    watch.seen = &seen;
    target.installEventFilter(&watch);
    target.show();
    ASSERT_TRUE(WaitUntil([&] { return target.windowHandle()->isExposed(); }));
    const int descriptorsBefore = OpenDescriptors();

    const FrontBuffer good = front.current;
    // Too small for its size.
    {
        const FrontBuffer small = MakeBuffer(good.number + 10, 8, 8);
        Message lie = SurfaceOf(small);
        lie.width = lie.height = 1000;
        lie.stride = 4000;
        front.Send(lie, small.fd);
        ::munmap(small.pixels, size_t(protocol::display::SurfaceMemorySize(8 * 4, 8)));
        ::close(small.fd);
    }
    // No buffer at all; a file that is no memfd; one unsealed.
    const FrontBuffer unsent = MakeBuffer(good.number + 11, 64, 64);
    const Message surface = SurfaceOf(unsent);
    ::munmap(unsent.pixels, size_t(protocol::display::SurfaceMemorySize(64 * 4, 64)));
    ::close(unsent.fd);
    front.Send(surface);
    {
        FILE *file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(file), 64 * 64 * 4), 0);
        front.Send(surface, ::fileno(file));
        std::fclose(file);
        const int unsealed = ::memfd_create("gardlock-test-unsealed", MFD_CLOEXEC);
        ASSERT_EQ(::ftruncate(unsealed, 64 * 64 * 4), 0);
        front.Send(surface, unsealed);
        ::close(unsealed);
    }
    // A descriptor with a message that carries none; words no message has.
    {
        const FrontBuffer stray = MakeBuffer(good.number + 12, 4, 4);
        Message pointer{Kind::Pointer};
        front.Send(pointer, stray.fd);
        ::munmap(stray.pixels, size_t(protocol::display::SurfaceMemorySize(4 * 4, 4)));
        ::close(stray.fd);
    }
    for (const std::string &garbage : {std::string("frobnicate"), std::string("surface 9 1 1"),
                                       std::string("key p 1 2 3 0 zz"), std::string("pointer 1"),
                                       std::string("\xff\x00\x01 surface", 11), std::string(300, 'x'),
                                       std::string("done"), std::string(" ")})
        front.SendRaw(garbage);

    // A last good message: once it arrived, all of the above was read.
    Message last{Kind::Pointer};
    last.x = 123;
    last.y = 45;
    front.Send(last);
    ASSERT_TRUE(WaitUntil([&] { return seen == QPoint(123, 45); })) << "the channel stopped after the hostile packets";
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore) << "a descriptor that came with a refused packet stayed open";

    target.update();
    const std::optional<Message> frame = front.FrameWhere([](const Message &) { return true; });
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->buffer, good.number) << "a refused surface replaced the buffer";
    front.Done(frame->buffer);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    StandInFront front;
    g_front = &front;
    ::setenv(protocol::display::kSocketVariable, std::to_string(front.ProgramEnd()).c_str(), 1);
    if (platform::sessionlock::TakeDisplaySocket() != front.ProgramEnd() ||
        std::getenv(protocol::display::kSocketVariable)) {
        std::fprintf(stderr, "the display channel was not taken from the environment\n");
        return 1;
    }
    // The screen comes from the first surface, sent before Qt starts.
    front.Show(MakeBuffer(1, 640, 480));
    ::setenv("QT_QPA_PLATFORM", platform::sessionlock::kPlatformName, 1);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (QGuiApplication::platformName() != QLatin1String(platform::sessionlock::kPlatformName) ||
        QGuiApplication::primaryScreen()->geometry() != QRect(0, 0, 640, 480)) {
        std::fprintf(stderr, "the session-lock platform did not start on the first surface\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
