#pragma once
// What the front finds out about the display systems the environment names
// before it chooses the one a lock is for (front/DisplayChoice.h): the X
// server through the X11 cover, the compositor through the Wayland probe
// (platform/wayland/plain/WaylandProbe.h). Plain facts; nothing here
// connects anywhere.

struct X11Facts {
    bool named = false;     // $DISPLAY is set
    bool reachable = false; // its server accepted a connection
    bool xwayland = false;  // that server is the compositor's Xwayland
};

struct WaylandFacts {
    bool reached = false;     // a compositor on $WAYLAND_DISPLAY answered within the probe's time
    bool sessionLock = false; // it offers ext_session_lock_manager_v1, the one sound way to lock it
    long compositorPid = 0;   // its process (the socket's peer), 0 when unknown
};

struct DisplayFacts {
    X11Facts x11;
    WaylandFacts wayland;
};
