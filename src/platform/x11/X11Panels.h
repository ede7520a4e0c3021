#pragma once
// Hiding and showing the desktop's panels: icewm's own task bar (its
// top-level frame and the named parts inside it), every dock window
// (_NET_WM_WINDOW_TYPE_DOCK) and the system tray's owner.
//
// Hiding again is free unless an event said a hidden window came back (or a
// new window appeared that may be a panel): only then are the windows found
// afresh and unmapped again.

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RootWatch.h"

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace platform::x11 {

enum class Part { TaskBar, StartButton, TrayArea, TaskTabs };

class Panels {
public:
    Panels(Connection &connection, RootWatch &rootWatch);
    void Hide(Part part);
    void Show(Part part);
    // Hides again, in the hiding steps' order, the parts being kept hidden
    // that an event showed came back; sends nothing otherwise.
    void Rehide();

private:
    struct RootChild {
        xcb_window_t taskBar = 0;        // icewm's "TaskBar" inside this frame
        std::vector<xcb_window_t> docks; // dock windows at or below it
    };
    struct Target {
        xcb_window_t window;
        bool alwaysShown; // shown by the restoring step even if not hidden by us
    };

    void OnEvent(const xcb_generic_event_t *event);
    void Scan();
    void ClassifyRootChildren();
    void ReadTaskBarParts();
    std::vector<Target> Targets(Part part);
    void Invalidate(Part part) { m_done[static_cast<int>(part)] = false; }
    void InvalidateAll();
    bool HasChildren(xcb_window_t window);

    Connection &m_conn;
    RootWatch &m_root;
    std::array<bool, 4> m_want{};
    std::array<bool, 4> m_done{};
    std::array<std::vector<xcb_window_t>, 4> m_hidden; // unmapped by us, for showing again
    std::map<xcb_window_t, RootChild> m_classified;    // root children already looked into
    xcb_window_t m_taskBar = 0;
    bool m_partsKnown = false;
    std::map<std::string, xcb_window_t> m_parts; // the task bar's children by name
    bool m_trayOwnerKnown = false;
    xcb_window_t m_trayOwner = 0;
    std::set<xcb_window_t> m_watched;
};

} // namespace platform::x11
