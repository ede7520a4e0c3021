// The hopping box's own move is taken from the server's report without Qt's
// round trips only when the report is the server's and puts the box exactly
// where the program asked; anything else goes Qt's usual way.

#include "platform/x11/X11OwnMoves.h"

#include <QAbstractEventDispatcher>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using platform::x11::IsReportOfPlacement;
using platform::x11::OwnMoves;

namespace {

xcb_configure_notify_event_t Report(xcb_window_t window, QRect at)
{
    xcb_configure_notify_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CONFIGURE_NOTIFY;
    event.event = event.window = window;
    event.x = std::int16_t(at.x());
    event.y = std::int16_t(at.y());
    event.width = std::uint16_t(at.width());
    event.height = std::uint16_t(at.height());
    event.override_redirect = 1;
    return event;
}

TEST(OwnMoves, OnlyTheServersReportOfTheAskedPlaceCounts)
{
    const QRect asked(40, 30, 316, 138);
    const xcb_window_t box = 0x600000c;
    EXPECT_TRUE(IsReportOfPlacement(Report(box, asked), box, asked));

    xcb_configure_notify_event_t sent = Report(box, asked);
    sent.response_type |= 0x80;
    EXPECT_FALSE(IsReportOfPlacement(sent, box, asked)) << "another client may send any report";
    xcb_configure_notify_event_t managed = Report(box, asked);
    managed.override_redirect = 0;
    EXPECT_FALSE(IsReportOfPlacement(managed, box, asked)) << "a managed window may sit in a frame";
    xcb_configure_notify_event_t toRoot = Report(box, asked);
    toRoot.event = 0x50d;
    EXPECT_FALSE(IsReportOfPlacement(toRoot, box, asked));
    EXPECT_FALSE(IsReportOfPlacement(Report(box, asked.translated(1, 0)), box, asked));
    EXPECT_FALSE(IsReportOfPlacement(Report(box, asked.adjusted(0, 0, 0, 1)), box, asked));
    EXPECT_FALSE(IsReportOfPlacement(Report(box + 1, asked), box, asked));
}

TEST(OwnMoves, OneReportPerMoveIsTakenThroughQtsDispatch)
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    window.resize(316, 138);
    window.show();
    const auto xid = static_cast<xcb_window_t>(window.winId());
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    ASSERT_NE(dispatcher, nullptr);
    auto taken = [&](xcb_configure_notify_event_t event) {
        qintptr result = 0;
        return dispatcher->filterNativeEvent("xcb_generic_event_t", &event, &result);
    };

    std::vector<QRect> placed;
    OwnMoves moves([&](xcb_window_t placedWindow, QRect device) {
        EXPECT_EQ(placedWindow, xid);
        placed.push_back(device);
        return true;
    });
    EXPECT_TRUE(moves.Move(&window, QPoint(40, 30)));
    const QRect asked(40, 30, 316, 138);
    EXPECT_EQ(placed, std::vector<QRect>{asked});
    EXPECT_EQ(window.pos(), QPoint(40, 30)) << "Qt was not told where the box now is";
    xcb_configure_notify_event_t sent = Report(xid, asked);
    sent.response_type |= 0x80;
    EXPECT_FALSE(taken(sent)) << "a sent report ends the wait and goes to Qt";
    EXPECT_FALSE(taken(Report(xid, asked))) << "so the real one after it is Qt's too";

    moves.Move(&window, QPoint(60, 10));
    EXPECT_FALSE(taken(Report(xid + 1, asked))) << "another window's report";
    EXPECT_TRUE(taken(Report(xid, QRect(60, 10, 316, 138))));
    EXPECT_FALSE(taken(Report(xid, QRect(60, 10, 316, 138)))) << "a second report is someone else's doing";

    // A box that would leave its monitor takes Qt's way, which follows it.
    EXPECT_FALSE(moves.Move(&window, QPoint(-500, 10)));
    EXPECT_EQ(placed.size(), 2u);
    EXPECT_FALSE(taken(Report(xid, QRect(-500, 10, 316, 138))));
}

} // namespace
