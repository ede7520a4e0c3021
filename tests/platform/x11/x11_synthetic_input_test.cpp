// Key and button events another client sent are dropped while the filter is
// started, through Qt's own dispatch of native events; the devices' events
// and any other sent event pass.

#include "platform/x11/X11SyntheticInput.h"

#include <QAbstractEventDispatcher>

#include <gtest/gtest.h>

#include <cstring>

using platform::x11::IsSyntheticInput;
using platform::x11::SyntheticInputFilter;

namespace {

xcb_generic_event_t Event(std::uint8_t type, bool sent)
{
    xcb_generic_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = std::uint8_t(type | (sent ? 0x80 : 0));
    return event;
}

TEST(SyntheticInput, OnlySentKeysAndButtonsCount)
{
    for (std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE, XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE}) {
        const xcb_generic_event_t sent = Event(type, true), real = Event(type, false);
        EXPECT_TRUE(IsSyntheticInput(&sent)) << int(type);
        EXPECT_FALSE(IsSyntheticInput(&real)) << int(type);
    }
    // Other clients send these for good reasons (the window manager's
    // configure notices, client messages, selection answers).
    for (std::uint8_t type : {XCB_MOTION_NOTIFY, XCB_CONFIGURE_NOTIFY, XCB_CLIENT_MESSAGE, XCB_SELECTION_NOTIFY,
                              XCB_FOCUS_IN, XCB_EXPOSE}) {
        const xcb_generic_event_t sent = Event(type, true);
        EXPECT_FALSE(IsSyntheticInput(&sent)) << int(type);
    }
}

TEST(SyntheticInput, DroppedFromStartToStopThroughQtsDispatch)
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    ASSERT_NE(dispatcher, nullptr);
    xcb_generic_event_t sentKey = Event(XCB_KEY_PRESS, true), realKey = Event(XCB_KEY_PRESS, false),
                        sentClick = Event(XCB_BUTTON_PRESS, true);
    auto dropped = [&](xcb_generic_event_t &event, const char *type = "xcb_generic_event_t") {
        qintptr result = 0;
        return dispatcher->filterNativeEvent(type, &event, &result);
    };
    SyntheticInputFilter filter;
    EXPECT_FALSE(dropped(sentKey)) << "not started";
    filter.Start();
    filter.Start(); // once is enough; twice changes nothing
    EXPECT_TRUE(dropped(sentKey));
    EXPECT_TRUE(dropped(sentClick));
    EXPECT_FALSE(dropped(realKey));
    EXPECT_FALSE(dropped(sentKey, "windows_generic_MSG")) << "only xcb events are read as xcb events";
    filter.Stop();
    EXPECT_FALSE(dropped(sentKey));
    EXPECT_FALSE(dropped(sentClick));
}

} // namespace
