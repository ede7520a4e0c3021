#pragma once
// The program's own connection to the X server, used to watch the root
// window's children and to act on other clients' windows. Qt's connection
// stays Qt's: grabs are taken there, through the QWindow API.
//
// Events are read from Qt's event loop through a socket notifier; listeners
// see every event in arrival order. A connection that breaks ends the process
// at once (see Broken()).

#include <QObject>

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QSocketNotifier;

namespace platform::x11 {

class Connection : public QObject {
    Q_OBJECT
public:
    // Opens a connection to $DISPLAY; IsOpen() tells whether it worked.
    Connection();
    ~Connection() override;

    bool IsOpen() const { return m_conn != nullptr; }
    xcb_connection_t *Raw() const { return m_conn; }
    xcb_window_t Root() const { return m_root; }
    int ScreenNumber() const { return m_screenNumber; }

    // Interned once on first use (one round trip).
    xcb_atom_t Atom(const char *name);

    using Listener = std::function<void(const xcb_generic_event_t *)>;
    void AddListener(Listener listener) { m_listeners.push_back(std::move(listener)); }
    // Runs after each batch of events read off the socket, once the
    // listeners have seen them all: the place to act on what they learnt.
    // Events its own requests bring in are handled in further rounds.
    void SetReaction(std::function<void()> reaction) { m_reaction = std::move(reaction); }

    // Hands every event already read off the socket to the listeners without
    // reading more (no system call). Round trips made by callers leave events
    // queued that the socket notifier will not announce, so call this after them.
    void DispatchQueued();
    void Flush();
    // Adds to the events this connection receives for a window (other clients'
    // windows included: each client has its own selection).
    void SelectEvents(xcb_window_t window, std::uint32_t mask);
    void ForgetWindow(xcb_window_t window);
    // Whether the server has the named extension (one round trip).
    bool HasExtension(const char *name);

    // Ends the process at once when the connection is gone: nothing that
    // could unlock may run then (no restoring steps, no start-up entry removal).
    void CheckAlive();

private:
    void ReadEvents();
    void Dispatch(xcb_generic_event_t *event);
    void React();

    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = 0;
    int m_screenNumber = 0;
    QSocketNotifier *m_notifier = nullptr;
    std::vector<Listener> m_listeners;
    std::vector<std::pair<std::string, xcb_atom_t>> m_atoms;
    std::map<xcb_window_t, std::uint32_t> m_masks;
    bool m_dispatching = false;
    std::function<void()> m_reaction;
    bool m_reacting = false;
    bool m_reactionPosted = false;
    unsigned long m_dispatched = 0;
};

// Qt's own connection, or null when Qt is not on xcb.
xcb_connection_t *QtConnection();

// The atom of the name on the connection (a round trip); XCB_ATOM_NONE when
// the server did not answer.
xcb_atom_t InternAtom(xcb_connection_t *conn, const char *name);

} // namespace platform::x11
