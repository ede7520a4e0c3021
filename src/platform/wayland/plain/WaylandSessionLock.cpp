#include "platform/wayland/plain/WaylandSessionLock.h"

#include "platform/wayland/plain/LockSurfaceRules.h"
#include "platform/wayland/plain/SharedPixels.h"
#include "platform/wayland/plain/UnixSocket.h"
#include "platform/wayland/plain/WaylandKeys.h"
#include "platform/wayland/plain/WaylandProbe.h"

#include "ext-session-lock-v1-client.h"

#include <wayland-client.h>
#include <wayland-cursor.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <optional>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform::wayland {

namespace display = protocol::display;

namespace {

// Linux input's codes for the wheel's axes in wl_pointer.axis.
constexpr std::uint32_t kVerticalAxis = WL_POINTER_AXIS_VERTICAL_SCROLL;
// A wheel notch moves wl_pointer's axis by 10 (libinput's convention); the
// program counts in 1/120 of a notch.
constexpr std::int32_t kAxisUnitsPerNotch = 10;
// At most this many repeats at once when the front was late to read the timer.
constexpr std::uint64_t kMostCatchUpRepeats = 4;

} // namespace

struct Output;

struct WaylandSessionLock::Connection {
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_compositor *compositor = nullptr;
    std::uint32_t compositorVersion = 0;
    wl_shm *shm = nullptr;
    wl_seat *seat = nullptr;
    ext_session_lock_manager_v1 *manager = nullptr;
    ext_session_lock_v1 *lock = nullptr;
    std::list<Output> outputs;
    bool locked = false;
    bool finished = false;
    bool reading = false;
    std::uint32_t nextBuffer = 1;
    std::uint32_t primaryName = 0; // the global name of the output that has the picture, 0: none

    wl_keyboard *keyboard = nullptr;
    wl_pointer *pointer = nullptr;
    WaylandKeys keys;
    int repeatFd = -1;
    wl_surface *pointerFocus = nullptr;
    wl_cursor_theme *cursorTheme = nullptr;
    wl_surface *cursorSurface = nullptr;
    wl_cursor_image *cursorImage = nullptr;

    Events events;

    Output *Primary();
    void CreateLockSurface(Output &output);
    void Draw(Output &output);
    // Asks the compositor to answer when the frame is shown unless it is
    // already asked, or told not to.
    void Commit(Output &output, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool askShown = true);
    void ChoosePrimary();
    void RemoveOutput(std::uint32_t name);
    void ArmRepeat(bool on);
    void SetCursor(std::uint32_t serial);
    bool RoundTrip(ProbeClock::time_point deadline);
    void NoteLayout()
    {
        if (std::optional<display::Message> layout = keys.LayoutChange())
            events.layout = std::move(layout);
    }
};

struct Output {
    WaylandSessionLock::Connection *owner = nullptr;
    std::uint32_t name = 0;
    wl_output *output = nullptr;
    std::int32_t scale = 1;
    std::int32_t announcedScale = 1; // from the output's events, applied at its "done"
    wl_surface *surface = nullptr;
    ext_session_lock_surface_v1 *lockSurface = nullptr;
    std::uint32_t width = 0, height = 0; // as configured, in surface units
    SharedPixels pixels;
    wl_buffer *buffer = nullptr;
    std::uint32_t bufferNumber = 0;
    wl_callback *frame = nullptr;
    // When the compositor last answered for a frame of this output.
    std::optional<ProbeClock::time_point> frameAnswered;
    // The program's frames in this buffer committed, and those of them shown,
    // since the program was last sent the buffer.
    std::uint32_t programFrames = 0, programFramesShown = 0;
};

namespace {

using Connection = WaylandSessionLock::Connection;

// How long the compositor's answer for a frame shown vouches for the frames
// after it: a lock whose output went off draws on this long at most before
// it waits.
constexpr std::chrono::seconds kAnswerTrusted{10};

// --- outputs -----------------------------------------------------------------

void OutputGeometry(void *, wl_output *, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    const char *, const char *, std::int32_t)
{
}
void OutputMode(void *, wl_output *, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void OutputDone(void *data, wl_output *)
{
    auto &output = *static_cast<Output *>(data);
    if (output.announcedScale == output.scale)
        return;
    output.scale = output.announcedScale;
    // A configured surface is drawn again at the new scale; its size in
    // surface units, which the compositor configured, stays.
    if (output.width != 0)
        output.owner->Draw(output);
}
void OutputScale(void *data, wl_output *, std::int32_t factor)
{
    static_cast<Output *>(data)->announcedScale = std::max(factor, 1);
}
void OutputName(void *, wl_output *, const char *) {}
void OutputDescription(void *, wl_output *, const char *) {}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode,  OutputDone,
                                            OutputScale,    OutputName, OutputDescription};

// --- the lock and its surfaces -------------------------------------------------

void LockLocked(void *data, ext_session_lock_v1 *)
{
    static_cast<Connection *>(data)->locked = true;
}
void LockFinished(void *data, ext_session_lock_v1 *)
{
    auto &c = *static_cast<Connection *>(data);
    c.finished = true;
    c.events.finished = true;
}
const ext_session_lock_v1_listener kLockListener = {LockLocked, LockFinished};

void SurfaceConfigure(void *data, ext_session_lock_surface_v1 *surface, std::uint32_t serial, std::uint32_t width,
                      std::uint32_t height)
{
    auto &output = *static_cast<Output *>(data);
    // Acked before anything is committed: a commit before the ack ends the client.
    ext_session_lock_surface_v1_ack_configure(surface, serial);
    output.width = width;
    output.height = height;
    output.owner->Draw(output);
}
const ext_session_lock_surface_v1_listener kSurfaceListener = {SurfaceConfigure};

void FrameDone(void *data, wl_callback *callback, std::uint32_t)
{
    auto &output = *static_cast<Output *>(data);
    wl_callback_destroy(callback);
    output.frame = nullptr;
    output.frameAnswered = ProbeClock::now();
    if (output.name == output.owner->primaryName) {
        output.programFramesShown = output.programFrames;
        output.pixels.SetShownCount(output.programFramesShown);
        output.owner->events.presented.push_back(output.bufferNumber);
    }
}
const wl_callback_listener kFrameListener = {FrameDone};

// --- keyboard ------------------------------------------------------------------

void KeyboardKeymap(void *data, wl_keyboard *, std::uint32_t format, std::int32_t fd, std::uint32_t size)
{
    auto &c = *static_cast<Connection *>(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        ::close(fd);
        return;
    }
    c.keys.SetKeymap(fd, size);
    c.ArmRepeat(false);
    c.NoteLayout();
}
void KeyboardEnter(void *, wl_keyboard *, std::uint32_t, wl_surface *, wl_array *) {}
void KeyboardLeave(void *data, wl_keyboard *, std::uint32_t, wl_surface *)
{
    auto &c = *static_cast<Connection *>(data);
    c.keys.StopRepeat();
    c.ArmRepeat(false);
}
void KeyboardKey(void *data, wl_keyboard *, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state)
{
    auto &c = *static_cast<Connection *>(data);
    const bool press = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    const bool wasRepeating = c.keys.Repeating();
    if (std::optional<display::Message> message = c.keys.Key(key, press))
        c.events.input.push_back(std::move(*message));
    // A new press restarts the delay; a release of the held key stops it.
    if (press ? c.keys.Repeating() : wasRepeating != c.keys.Repeating())
        c.ArmRepeat(c.keys.Repeating());
}
void KeyboardModifiers(void *data, wl_keyboard *, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                       std::uint32_t locked, std::uint32_t group)
{
    auto &c = *static_cast<Connection *>(data);
    c.keys.SetModifiers(depressed, latched, locked, group);
    c.NoteLayout();
}
void KeyboardRepeatInfo(void *data, wl_keyboard *, std::int32_t rate, std::int32_t delay)
{
    auto &c = *static_cast<Connection *>(data);
    c.keys.SetRepeat(rate, delay);
    if (!c.keys.Repeating())
        c.ArmRepeat(false);
}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,     KeyboardLeave,
                                                KeyboardKey,    KeyboardModifiers, KeyboardRepeatInfo};

// --- pointer -------------------------------------------------------------------

void PointerAt(Connection &c, wl_fixed_t x, wl_fixed_t y)
{
    Output *primary = c.Primary();
    if (!primary || c.pointerFocus != primary->surface)
        return;
    display::Message message{display::Kind::Pointer};
    message.x = ToBufferPixels(x, primary->scale);
    message.y = ToBufferPixels(y, primary->scale);
    c.events.input.push_back(message);
}
void PointerEnter(void *data, wl_pointer *, std::uint32_t serial, wl_surface *surface, wl_fixed_t x, wl_fixed_t y)
{
    auto &c = *static_cast<Connection *>(data);
    c.pointerFocus = surface;
    c.SetCursor(serial);
    PointerAt(c, x, y);
}
void PointerLeave(void *data, wl_pointer *, std::uint32_t, wl_surface *)
{
    static_cast<Connection *>(data)->pointerFocus = nullptr;
}
void PointerMotion(void *data, wl_pointer *, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    PointerAt(*static_cast<Connection *>(data), x, y);
}
void PointerButton(void *data, wl_pointer *, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t state)
{
    auto &c = *static_cast<Connection *>(data);
    Output *primary = c.Primary();
    // A click on a black output reaches nothing.
    if (!primary || c.pointerFocus != primary->surface)
        return;
    display::Message message{display::Kind::Button};
    message.press = state == WL_POINTER_BUTTON_STATE_PRESSED;
    message.code = button;
    c.events.input.push_back(message);
}
void PointerAxis(void *data, wl_pointer *, std::uint32_t, std::uint32_t axis, wl_fixed_t value)
{
    auto &c = *static_cast<Connection *>(data);
    Output *primary = c.Primary();
    if (!primary || c.pointerFocus != primary->surface)
        return;
    display::Message message{display::Kind::Axis};
    const std::int32_t steps = std::int32_t(std::int64_t(value) * 120 / (kAxisUnitsPerNotch * 256));
    (axis == kVerticalAxis ? message.dy : message.dx) = steps;
    if (steps != 0)
        c.events.input.push_back(message);
}
void PointerFrame(void *, wl_pointer *) {}
void PointerAxisSource(void *, wl_pointer *, std::uint32_t) {}
void PointerAxisStop(void *, wl_pointer *, std::uint32_t, std::uint32_t) {}
void PointerAxisDiscrete(void *, wl_pointer *, std::uint32_t, std::int32_t) {}
void PointerAxisValue120(void *, wl_pointer *, std::uint32_t, std::int32_t) {}
const wl_pointer_listener kPointerListener = {PointerEnter, PointerLeave,      PointerMotion,   PointerButton,
                                              PointerAxis,  PointerFrame,      PointerAxisSource,
                                              PointerAxisStop, PointerAxisDiscrete, PointerAxisValue120};

// --- seat ----------------------------------------------------------------------

void SeatCapabilities(void *data, wl_seat *seat, std::uint32_t capabilities)
{
    auto &c = *static_cast<Connection *>(data);
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (keyboard && !c.keyboard) {
        c.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(c.keyboard, &kKeyboardListener, &c);
    } else if (!keyboard && c.keyboard) {
        wl_keyboard_release(c.keyboard);
        c.keyboard = nullptr;
        c.keys.StopRepeat();
        c.ArmRepeat(false);
    }
    if (pointer && !c.pointer) {
        c.pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(c.pointer, &kPointerListener, &c);
    } else if (!pointer && c.pointer) {
        wl_pointer_release(c.pointer);
        c.pointer = nullptr;
        c.pointerFocus = nullptr;
    }
}
void SeatName(void *, wl_seat *, const char *) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

// --- globals -------------------------------------------------------------------

void LockGlobal(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    auto &c = *static_cast<Connection *>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !c.compositor) {
        // 4: damage in buffer pixels (set_buffer_scale needs 3).
        c.compositorVersion = std::min(version, 4u);
        c.compositor = static_cast<wl_compositor *>(
            wl_registry_bind(registry, name, &wl_compositor_interface, c.compositorVersion));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !c.shm) {
        c.shm = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, ext_session_lock_manager_v1_interface.name) == 0 && !c.manager) {
        c.manager = static_cast<ext_session_lock_manager_v1 *>(
            wl_registry_bind(registry, name, &ext_session_lock_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !c.seat && version >= 5) {
        c.seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 5));
        wl_seat_add_listener(c.seat, &kSeatListener, &c);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
        Output &output = c.outputs.emplace_back();
        output.owner = &c;
        output.name = name;
        output.output = static_cast<wl_output *>(
            wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 4u)));
        wl_output_add_listener(output.output, &kOutputListener, &output);
        // An output added while locked gets its surface at once.
        if (c.lock && !c.finished)
            c.CreateLockSurface(output);
        c.ChoosePrimary();
    }
}
void LockGlobalRemove(void *data, wl_registry *, std::uint32_t name)
{
    static_cast<Connection *>(data)->RemoveOutput(name);
}
const wl_registry_listener kLockRegistryListener = {LockGlobal, LockGlobalRemove};

void LockSyncDone(void *data, wl_callback *, std::uint32_t)
{
    *static_cast<bool *>(data) = true;
}
const wl_callback_listener kLockSyncListener = {LockSyncDone};

void DestroyOutput(Output &output)
{
    if (output.frame)
        wl_callback_destroy(output.frame);
    if (output.lockSurface)
        ext_session_lock_surface_v1_destroy(output.lockSurface);
    if (output.surface)
        wl_surface_destroy(output.surface);
    if (output.buffer)
        wl_buffer_destroy(output.buffer);
    if (output.output) {
        if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output.output);
        else
            wl_output_destroy(output.output);
    }
}

} // namespace

// --- Connection ------------------------------------------------------------------

Output *Connection::Primary()
{
    for (Output &output : outputs)
        if (output.name == primaryName)
            return &output;
    return nullptr;
}

void Connection::ChoosePrimary()
{
    std::vector<std::uint32_t> names;
    for (const Output &output : outputs)
        names.push_back(output.name);
    const std::uint32_t chosen = PrimaryOutput(names).value_or(0);
    if (chosen == primaryName)
        return;
    primaryName = chosen;
    // The program draws into the new one's buffer, if it has one yet.
    if (Output *primary = Primary(); primary && primary->buffer)
        events.primaryBuffer = true;
}

void Connection::CreateLockSurface(Output &output)
{
    output.surface = wl_compositor_create_surface(compositor);
    output.lockSurface = ext_session_lock_v1_get_lock_surface(lock, output.surface, output.output);
    ext_session_lock_surface_v1_add_listener(output.lockSurface, &kSurfaceListener, &output);
}

void Connection::RemoveOutput(std::uint32_t name)
{
    const auto it = std::find_if(outputs.begin(), outputs.end(), [name](const Output &o) { return o.name == name; });
    if (it == outputs.end())
        return;
    if (pointerFocus && pointerFocus == it->surface)
        pointerFocus = nullptr;
    DestroyOutput(*it);
    outputs.erase(it);
    ChoosePrimary();
}

void Connection::Draw(Output &output)
{
    const std::optional<BufferSize> size = BufferFor(output.width, output.height, output.scale);
    // No size to draw at: the compositor shows the output black without a buffer.
    if (!size || !shm)
        return;
    if (!output.buffer || output.pixels.Width() != size->width || output.pixels.Height() != size->height) {
        SharedPixels pixels;
        if (!pixels.Create(size->width, size->height))
            return;
        wl_shm_pool *pool = wl_shm_create_pool(shm, pixels.Fd(), std::int32_t(pixels.Size()));
        wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, std::int32_t(size->width), std::int32_t(size->height),
                                                      std::int32_t(pixels.Stride()), WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
        // memfd memory starts zeroed: black.
        wl_buffer *old = output.buffer;
        output.pixels = std::move(pixels);
        output.buffer = buffer;
        output.bufferNumber = nextBuffer++;
        Commit(output, 0, 0, std::int32_t(size->width), std::int32_t(size->height));
        if (old)
            wl_buffer_destroy(old);
        if (output.name == primaryName)
            events.primaryBuffer = true;
        return;
    }
    Commit(output, 0, 0, std::int32_t(size->width), std::int32_t(size->height));
}

void Connection::Commit(Output &output, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        bool askShown)
{
    wl_surface_attach(output.surface, output.buffer, 0, 0);
    wl_surface_set_buffer_scale(output.surface, output.scale);
    if (compositorVersion >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION)
        wl_surface_damage_buffer(output.surface, x, y, width, height);
    else
        wl_surface_damage(output.surface, 0, 0, INT32_MAX, INT32_MAX);
    if (askShown && !output.frame) {
        output.frame = wl_surface_frame(output.surface);
        wl_callback_add_listener(output.frame, &kFrameListener, &output);
    }
    wl_surface_commit(output.surface);
}

void Connection::ArmRepeat(bool on)
{
    if (repeatFd < 0)
        return;
    itimerspec when{};
    if (on && keys.RepeatIntervalMs() > 0) {
        const auto ms = [](std::int32_t value) { return timespec{value / 1000, long(value % 1000) * 1000000}; };
        when.it_value = ms(std::max(keys.RepeatDelayMs(), 1));
        when.it_interval = ms(keys.RepeatIntervalMs());
    }
    ::timerfd_settime(repeatFd, 0, &when, nullptr);
}

void Connection::SetCursor(std::uint32_t serial)
{
    if (!pointer)
        return;
    if (!cursorTheme && shm) {
        const char *size = std::getenv("XCURSOR_SIZE");
        const int pixels = size ? std::atoi(size) : 0;
        cursorTheme = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), pixels > 0 && pixels <= 256 ? pixels : 24, shm);
        wl_cursor *cursor = nullptr;
        if (cursorTheme) {
            cursor = wl_cursor_theme_get_cursor(cursorTheme, "left_ptr");
            if (!cursor)
                cursor = wl_cursor_theme_get_cursor(cursorTheme, "default");
        }
        if (cursor && cursor->image_count > 0) {
            cursorImage = cursor->images[0];
            cursorSurface = wl_compositor_create_surface(compositor);
            wl_surface_attach(cursorSurface, wl_cursor_image_get_buffer(cursorImage), 0, 0);
            wl_surface_damage(cursorSurface, 0, 0, INT32_MAX, INT32_MAX);
            wl_surface_commit(cursorSurface);
        }
    }
    // Without a theme the pointer is hidden rather than drawn by hand.
    if (cursorImage)
        wl_pointer_set_cursor(pointer, serial, cursorSurface, std::int32_t(cursorImage->hotspot_x),
                              std::int32_t(cursorImage->hotspot_y));
    else
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
}

bool Connection::RoundTrip(ProbeClock::time_point deadline)
{
    bool done = false;
    wl_callback *sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kLockSyncListener, &done);
    const int fd = wl_display_get_fd(display);
    while (!done) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        if (done) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        pollfd ready{fd, POLLIN, 0};
        const int left = MsLeft(deadline);
        const int polled = left > 0 ? ::poll(&ready, 1, left) : 0;
        if (polled <= 0) {
            wl_display_cancel_read(display);
            if (polled < 0 && errno == EINTR)
                continue;
            wl_callback_destroy(sync);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    wl_callback_destroy(sync);
    return true;
}

// --- WaylandSessionLock -----------------------------------------------------------

WaylandSessionLock::WaylandSessionLock() : m(std::make_unique<Connection>())
{
    m->repeatFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
}

WaylandSessionLock::~WaylandSessionLock()
{
    if (m->display) {
        if (m->reading)
            wl_display_cancel_read(m->display);
        // Without Unlock() the compositor keeps the session locked.
        wl_display_disconnect(m->display);
    }
    if (m->cursorTheme)
        wl_cursor_theme_destroy(m->cursorTheme);
    if (m->repeatFd >= 0)
        ::close(m->repeatFd);
}

WaylandSessionLock::Outcome WaylandSessionLock::Lock(const std::string &display, int timeoutMs)
{
    const ProbeClock::time_point deadline = ProbeClock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = ConnectLocal(CompositorSocketPath(display), false, deadline);
    if (fd < 0)
        return Outcome::Failed;
    m->display = wl_display_connect_to_fd(fd);
    if (!m->display)
        return Outcome::Failed;
    m->registry = wl_display_get_registry(m->display);
    wl_registry_add_listener(m->registry, &kLockRegistryListener, m.get());
    // The globals, then what the outputs say of themselves (their scale).
    if (!m->RoundTrip(deadline) || !m->RoundTrip(deadline))
        return Outcome::Failed;
    if (!m->manager)
        return Outcome::NoLock;
    if (!m->compositor || !m->shm)
        return Outcome::Failed;
    m->lock = ext_session_lock_manager_v1_lock(m->manager);
    ext_session_lock_v1_add_listener(m->lock, &kLockListener, m.get());
    for (Output &output : m->outputs)
        m->CreateLockSurface(output);
    while (!m->locked && !m->finished)
        if (!m->RoundTrip(deadline))
            return Outcome::Failed;
    if (!m->locked)
        return Outcome::Refused;
    // The answer is this call's; TakeEvents() tells only what comes after.
    m->events.finished = false;
    return Outcome::Locked;
}

int WaylandSessionLock::ConnectionFd() const
{
    return m->display ? wl_display_get_fd(m->display) : -1;
}

int WaylandSessionLock::RepeatFd() const
{
    return m->repeatFd;
}

void WaylandSessionLock::BeforePoll()
{
    if (!m->display || m->reading)
        return;
    while (wl_display_prepare_read(m->display) != 0) {
        if (wl_display_dispatch_pending(m->display) < 0) {
            m->events.lost = true;
            return;
        }
    }
    m->reading = true;
    if (wl_display_flush(m->display) < 0 && errno != EAGAIN)
        m->events.lost = true;
}

void WaylandSessionLock::AfterPoll(short connectionEvents, short repeatEvents)
{
    if (m->display && m->reading) {
        m->reading = false;
        if (connectionEvents & POLLIN) {
            if (wl_display_read_events(m->display) < 0)
                m->events.lost = true;
        } else {
            wl_display_cancel_read(m->display);
            if (connectionEvents & (POLLERR | POLLHUP))
                m->events.lost = true;
        }
        if (wl_display_dispatch_pending(m->display) < 0)
            m->events.lost = true;
    }
    if (repeatEvents & POLLIN) {
        std::uint64_t expirations = 0;
        if (::read(m->repeatFd, &expirations, sizeof expirations) == sizeof expirations)
            for (std::uint64_t i = 0; i < std::min(expirations, kMostCatchUpRepeats); ++i)
                if (std::optional<display::Message> repeat = m->keys.Repeat())
                    m->events.input.push_back(std::move(*repeat));
    }
    // Requests made while dispatching go out now, not at the next poll.
    if (m->display && !m->events.lost && wl_display_flush(m->display) < 0 && errno != EAGAIN)
        m->events.lost = true;
}

WaylandSessionLock::Events WaylandSessionLock::TakeEvents()
{
    Events events = std::move(m->events);
    m->events = {};
    // What the connection is stays so: a lost one is lost for every later call.
    m->events.lost = events.lost;
    return events;
}

const SharedPixels *WaylandSessionLock::PrimaryPixels() const
{
    const Output *primary = m->Primary();
    return primary && primary->buffer ? &primary->pixels : nullptr;
}

std::uint32_t WaylandSessionLock::PrimaryBuffer() const
{
    const Output *primary = m->Primary();
    return primary && primary->buffer ? primary->bufferNumber : 0;
}

std::uint32_t WaylandSessionLock::PrimaryScale() const
{
    const Output *primary = m->Primary();
    return primary ? std::uint32_t(primary->scale) : 1;
}

bool WaylandSessionLock::ShowFrame(const display::Message &frame)
{
    // After Unlock() the surfaces went with the connection.
    Output *primary = m->display ? m->Primary() : nullptr;
    if (!primary || !primary->buffer || frame.kind != display::Kind::Frame || frame.buffer != primary->bufferNumber ||
        !display::FrameFits(frame, primary->pixels.Width(), primary->pixels.Height()))
        return false;
    // A compositor that answered for a frame lately is showing the output:
    // a frame is then counted shown as it is committed, and its answer
    // would only wake the front. The buffer's first frame, and the first
    // after a quiet spell, ask again; an output that is off answers
    // nothing, the frame stays unshown and the program waits.
    const bool answeredLately = primary->frameAnswered && ProbeClock::now() - *primary->frameAnswered < kAnswerTrusted;
    const bool shownAtCommit = !primary->frame && primary->programFrames > 0 && answeredLately;
    m->Commit(*primary, frame.x, frame.y, std::int32_t(frame.width), std::int32_t(frame.height), !shownAtCommit);
    ++primary->programFrames;
    if (shownAtCommit) {
        primary->programFramesShown = primary->programFrames;
        primary->pixels.SetShownCount(primary->programFramesShown);
    }
    return true;
}

bool WaylandSessionLock::PrimaryFramesShown() const
{
    const Output *primary = m->display ? m->Primary() : nullptr;
    return !primary || primary->programFramesShown == primary->programFrames;
}

void WaylandSessionLock::RestartFrameCount()
{
    Output *primary = m->display ? m->Primary() : nullptr;
    if (!primary)
        return;
    primary->programFrames = primary->programFramesShown = 0;
    primary->pixels.SetShownCount(0);
}

void WaylandSessionLock::ShowBlack()
{
    Output *primary = m->display ? m->Primary() : nullptr;
    if (!primary || !primary->buffer)
        return;
    primary->pixels.FillBlack();
    m->Commit(*primary, 0, 0, std::int32_t(primary->pixels.Width()), std::int32_t(primary->pixels.Height()));
}

std::optional<display::Message> WaylandSessionLock::Layout() const
{
    return m->keys.Layout();
}

void WaylandSessionLock::SelectLayout(std::uint32_t group)
{
    m->keys.SelectLayout(group);
    m->NoteLayout();
}

void WaylandSessionLock::Unlock()
{
    if (!m->display)
        return;
    if (m->reading) {
        wl_display_cancel_read(m->display);
        m->reading = false;
    }
    if (m->lock && m->locked && !m->finished) {
        ext_session_lock_v1_unlock_and_destroy(m->lock);
        m->lock = nullptr;
        // The compositor has read the unlock before this process goes.
        m->RoundTrip(ProbeClock::now() + std::chrono::milliseconds(1000));
    }
    wl_display_disconnect(m->display);
    m->display = nullptr;
}

} // namespace platform::wayland
