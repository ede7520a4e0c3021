// The Wayland lock's rules that a compositor or a hostile program would
// punish: the display messages, the buffer sizes, the sealed buffers and the
// keys read through the compositor's keymap.

#include "core/LockDisplayProtocol.h"
#include "platform/wayland/plain/LockSurfaceRules.h"
#include "platform/wayland/plain/SharedPixels.h"
#include "platform/wayland/plain/WaylandKeys.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

namespace display = protocol::display;
using namespace platform::wayland;

TEST(LockDisplayMessages, EveryKindSurvivesItsText)
{
    display::Message surface{display::Kind::Surface, 3};
    surface.width = 1920;
    surface.height = 1080;
    surface.stride = 1920 * 4;
    surface.scale = 2;
    display::Message key{display::Kind::Key};
    key.press = false;
    key.code = 38;
    key.keysym = 0x6c1;
    key.modifiers = display::kShift | display::kAlt;
    key.repeat = true;
    key.text = "\xd0\x9b"; // a Cyrillic letter: bytes above 127 and none of them a blank
    display::Message frame{display::Kind::Frame, 3, 10, 20};
    frame.width = 30;
    frame.height = 40;
    display::Message axis{display::Kind::Axis};
    axis.dx = -120;
    axis.dy = 240;
    display::Message button{display::Kind::Button};
    button.code = 0x110;
    display::Message keyboard{display::Kind::Keyboard};
    keyboard.layouts = {"English (US)", "Russian"};
    keyboard.group = 1;
    keyboard.capsLock = true;
    display::Message select{display::Kind::SelectLayout};
    select.group = 3;
    // The longest message there is still fits the program's packet room.
    display::Message longest{display::Kind::Keyboard};
    longest.layouts.assign(display::kMostLayouts, std::string(display::kMostLayoutName, 'x'));
    EXPECT_LE(display::Encode(longest).size(), display::kMostMessage);
    for (const display::Message &message :
         {surface, key, frame, axis, button, display::Message{display::Kind::Done, 7}, display::Message{display::Kind::Wait, 9},
          display::Message{display::Kind::Pointer, 0, -5, 600}, display::Message{display::Kind::Ping},
          display::Message{display::Kind::Pong}, keyboard, select}) {
        const std::string text = display::Encode(message);
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        EXPECT_EQ(display::Parse(text), message) << text;
    }
}

TEST(LockDisplayMessages, MalformedOrHostileTextGivesNothing)
{
    for (const char *text : {
             "", "surface", "surface 1 0 10 40 1",          // an empty side
             "surface 1 10 10 36 1",                        // a stride shorter than a row
             "surface 1 16385 10 65540 1",                  // beyond the largest side
             "surface 0 10 10 40 1",                        // buffer 0 names none
             "surface 1 10 10 40 1 ", "surface 1 10 10 40 1 9", "done -1", "done 4294967296",
             "key x 1 2 0 0 -", "key p 1 2 32 0 -", "key p 1 2 0 2 -", "key p 1 2 0 0 6",   // odd hex
             "key p 1 2 0 0 zz",
             "key p 1 2 0 0 6161616161616161616161616161616161616161616161616161616161616161"
             "61", // one byte past the longest text
             "frame 1 2 3 4", "pointer 1", "axis a b", "button p", "nonsense 1 2",
             "keyboard 0 0",      // no layout at all
             "keyboard 2 0 41 42", // the layout in use past those named
             "keyboard 0 0 41 42 43 44 45", "layout 4"}) {
        EXPECT_FALSE(display::Parse(text)) << text;
    }
}

TEST(LockDisplayMessages, AFrameMustLieInsideItsBuffer)
{
    const auto frame = [](std::int32_t x, std::int32_t y, std::uint32_t w, std::uint32_t h) {
        display::Message m{display::Kind::Frame, 1, x, y};
        m.width = w;
        m.height = h;
        return m;
    };
    EXPECT_TRUE(display::FrameFits(frame(0, 0, 640, 480), 640, 480));
    EXPECT_TRUE(display::FrameFits(frame(639, 479, 1, 1), 640, 480));
    EXPECT_FALSE(display::FrameFits(frame(0, 0, 641, 480), 640, 480));
    EXPECT_FALSE(display::FrameFits(frame(-1, 0, 10, 10), 640, 480));
    EXPECT_FALSE(display::FrameFits(frame(0, 0, 0, 10), 640, 480));
    // A sum that would wrap in 32 bits.
    EXPECT_FALSE(display::FrameFits(frame(100, 0, 0xffffffffu - 50, 10), 640, 480));
}

TEST(LockSurfaceRules, BuffersAreTheConfiguredSizeTimesTheScale)
{
    EXPECT_EQ(BufferFor(1280, 720, 1), (BufferSize{1280, 720}));
    EXPECT_EQ(BufferFor(1280, 720, 2), (BufferSize{2560, 1440}));
    EXPECT_FALSE(BufferFor(0, 720, 1));
    EXPECT_FALSE(BufferFor(1280, 720, 0));
    EXPECT_FALSE(BufferFor(1280, 720, -2));
    EXPECT_FALSE(BufferFor(9000, 100, 2)); // past the largest side
    EXPECT_FALSE(BufferFor(0x80000000u, 1, 0x7fffffff));

    EXPECT_EQ(PrimaryOutput({}), std::nullopt);
    EXPECT_EQ(PrimaryOutput({9, 4, 12}), 4u);

    EXPECT_EQ(ToBufferPixels(10 * 256 + 128, 1), 10);
    EXPECT_EQ(ToBufferPixels(10 * 256 + 128, 2), 21);
}

TEST(SharedPixels, TheProgramCanNeitherShrinkNorGrowIt)
{
    SharedPixels pixels;
    ASSERT_TRUE(pixels.Create(64, 32));
    EXPECT_EQ(pixels.Size(), 64u * 4 * 32);
    const int fd = ::dup(pixels.Fd());
    EXPECT_NE(::ftruncate(fd, 16), 0);
    EXPECT_NE(::ftruncate(fd, off_t(pixels.Size()) * 2), 0);
    EXPECT_NE(::fcntl(fd, F_ADD_SEALS, F_SEAL_WRITE), 0); // the seals are sealed too
    void *mapped = ::mmap(nullptr, pixels.Size(), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    std::memset(mapped, 0xff, pixels.Size());
    pixels.FillBlack();
    EXPECT_EQ(static_cast<unsigned char *>(mapped)[pixels.Size() - 1], 0);
    ::munmap(mapped, pixels.Size());
    ::close(fd);
    EXPECT_FALSE(SharedPixels().Create(0, 10));
}

// A keymap as a compositor sends it: its text in a descriptor.
int KeymapFd(const char *layout)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    const int fd = ::memfd_create("keymap", MFD_CLOEXEC);
    if (text)
        (void)!::write(fd, text, std::strlen(text) + 1);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return fd;
}

TEST(WaylandKeys, KeysReadThroughTheCompositorsKeymapWithItsRepeat)
{
    constexpr std::uint32_t kA = 30, kLeftShift = 42; // evdev codes
    WaylandKeys keys;
    EXPECT_FALSE(keys.Key(kA, true)) << "no keymap yet";
    const int fd = KeymapFd("us");
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ASSERT_GT(size, 0);
    ASSERT_TRUE(keys.SetKeymap(fd, std::uint32_t(size)));

    std::optional<display::Message> a = keys.Key(kA, true);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->keysym, std::uint32_t(XKB_KEY_a));
    EXPECT_EQ(a->text, "a");
    EXPECT_EQ(a->code, kA + 8);
    EXPECT_TRUE(keys.Repeating());
    std::optional<display::Message> again = keys.Repeat();
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->repeat);
    EXPECT_EQ(again->text, "a");
    keys.Key(kA, false);
    EXPECT_FALSE(keys.Repeating());

    // Shift as the compositor reports it: its modifier mask (Shift is bit 0).
    keys.SetModifiers(1, 0, 0, 0);
    a = keys.Key(kA, true);
    EXPECT_EQ(a->text, "A");
    EXPECT_EQ(a->modifiers & display::kShift, display::kShift);
    EXPECT_FALSE(keys.Key(kLeftShift, true)->text.size()) << "a modifier types nothing";

    keys.SetRepeat(0, 500);
    keys.Key(kA, true);
    EXPECT_FALSE(keys.Repeating()) << "a rate of 0 turns repeat off";

    // A keymap that cannot be read leaves the one there.
    const int junk = ::memfd_create("junk", MFD_CLOEXEC);
    (void)!::write(junk, "nonsense", 9);
    EXPECT_FALSE(keys.SetKeymap(junk, 9));
    EXPECT_TRUE(keys.Key(kA, true));
}

TEST(WaylandKeys, TheLocksOwnLayoutHoldsUntilTheCompositorSwitches)
{
    constexpr std::uint32_t kQ = 16; // evdev: q in "us", й in "ru"
    WaylandKeys keys;
    EXPECT_FALSE(keys.Layout()) << "no keymap yet";
    const int fd = KeymapFd("us,ru");
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ASSERT_TRUE(keys.SetKeymap(fd, std::uint32_t(size)));

    std::optional<display::Message> layout = keys.LayoutChange();
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->layouts.size(), 2u);
    EXPECT_EQ(layout->layouts[1], "Russian");
    EXPECT_EQ(layout->group, 0u);
    EXPECT_FALSE(keys.LayoutChange()) << "reported once until it changes";
    EXPECT_EQ(keys.Key(kQ, true)->text, "q");

    // The lock's switch: keys come out Cyrillic, whatever the compositor's group says.
    keys.SelectLayout(1);
    EXPECT_EQ(keys.LayoutChange()->group, 1u);
    EXPECT_EQ(keys.Key(kQ, true)->text, "\xd0\xb9");
    keys.SetModifiers(0, 0, 0, 0); // the compositor's group unchanged
    EXPECT_EQ(keys.Key(kQ, true)->text, "\xd0\xb9");
    keys.SelectLayout(7); // past the keymap's layouts: ignored
    EXPECT_FALSE(keys.LayoutChange());

    // The compositor switches itself: its group holds again.
    keys.SetModifiers(0, 0, 0, 1);
    keys.SetModifiers(0, 0, 0, 0);
    EXPECT_EQ(keys.Key(kQ, true)->text, "q");
    layout = keys.LayoutChange();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->group, 0u);

    // Caps Lock as a locked modifier (Lock is the keymap's second modifier).
    keys.SetModifiers(0, 0, 2, 0);
    layout = keys.LayoutChange();
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->capsLock);
}

} // namespace
