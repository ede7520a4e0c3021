#pragma once
// What the supervising process shows and holds while it brings a crashed
// lock back: a black window over the whole root window and the keyboard and
// pointer grabs. Plain calls with no Qt: the supervisor runs no event loop.
// The X11 one lives in platform/x11/plain/X11RootCover.h.

#include "core/SupervisionProtocol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

class LockCover {
public:
    virtual ~LockCover() = default;
    // Connects and makes the (unmapped) cover ahead of need, so that a crash
    // costs no connection set-up. False when the display cannot be reached.
    virtual bool Prepare() = 0;
    // Maps the cover above everything (preparing first if needed).
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // One try each; true when this process now holds that grab.
    virtual bool GrabKeyboard() = 0;
    virtual bool GrabPointer() = 0;
    // Lets go of both grabs and waits until the server has done so. With the
    // cover shown, the cover takes the focus first, so keys typed before
    // another client grabs come here too.
    virtual void ReleaseGrabs() = 0;
    // The first half of handing the keyboard to a window of the lock with
    // no moment in which a key could go elsewhere or out of order: the
    // keyboard is frozen (the server holds back every key from now on, still
    // grabbed here), every key it sent before is read for TakeKeys, and the
    // focus moves to `window`. False, the keyboard thawed again, when that
    // window cannot take the focus (not mapped yet, or gone).
    virtual bool FreezeKeyboardAndFocus(std::uint32_t window) = 0;
    // Undoes the freeze: the keyboard grabbed here as before, the keys the
    // server held back coming here.
    virtual void ThawKeyboard() = 0;
    // The second half: both grabs let go of with the focus left where the
    // freeze put it, so the keys the server held back go to that window.
    // Waits until the server has done so.
    virtual void ReleaseGrabsToFocus() = 0;
    // The keys the grabs (or the focused cover) caught since the last call,
    // oldest first.
    virtual std::vector<protocol::CaughtKey> TakeKeys() = 0;
    // Marks the display as locked by this process for as long as the cover
    // is prepared (a per-screen selection on X11).
    enum class Mark {
        Claimed,      // ours now (or already)
        OtherLock,    // another lock marks the display
        Failed,       // the server did not answer: nothing is known
    };
    virtual Mark ClaimLockMark() = 0;
    // True when a grab here would not keep keys from every other program
    // (an X server under Wayland). Prepares first.
    virtual bool GrabsLeak() = 0;
    // Drops the connection (and with it the cover and any grab).
    virtual void Close() = 0;
    // Whether the display is gone (a round trip on a prepared cover; a new
    // connection attempt otherwise).
    virtual bool DisplayGone() = 0;

    // The connection's descriptor, to be polled for events; -1 when there is
    // no connection.
    virtual int ConnectionFd() const = 0;
    // Reads what the server sent (keys are kept for TakeKeys) and says what
    // it means for the supervisor.
    struct Events {
        bool connectionLost = false; // killed by another client or a grab-breaking key
        bool grabsLost = false;      // a grab held here was broken
    };
    virtual Events ReadEvents() = 0;
    // True when the keyboard map binds keys whose server actions break or
    // take away grabs (the XKB option grab:break_actions).
    virtual bool BindsGrabBreakingKeys() = 0;

    // The keyboard's locked layout group (XKB), to give the desktop back the
    // one it had when a lock began; nothing when the server cannot tell.
    virtual std::optional<int> KeyboardGroup() = 0;
    // Locks that group again; done when this returns.
    virtual void SetKeyboardGroup(int group) = 0;
};

} // namespace platform
