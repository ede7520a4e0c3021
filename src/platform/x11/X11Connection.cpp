#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace platform::x11 {

Connection::Connection()
{
    int screen = 0;
    xcb_connection_t *conn = xcb_connect(nullptr, &screen);
    if (!conn || xcb_connection_has_error(conn)) {
        if (conn)
            xcb_disconnect(conn);
        return;
    }
    const xcb_setup_t *setup = xcb_get_setup(conn);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(conn);
        return;
    }
    m_conn = conn;
    m_root = it.data->root;
    m_screenNumber = screen;
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
}

Connection::~Connection()
{
    delete m_notifier;
    if (m_conn)
        xcb_disconnect(m_conn);
}

xcb_atom_t InternAtom(xcb_connection_t *conn, const char *name)
{
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, std::strlen(name), name), nullptr)) {
        atom = reply->atom;
        std::free(reply);
    }
    return atom;
}

xcb_atom_t Connection::Atom(const char *name)
{
    for (const auto &[known, atom] : m_atoms)
        if (known == name)
            return atom;
    const xcb_atom_t atom = InternAtom(m_conn, name);
    CheckAlive();
    m_atoms.emplace_back(name, atom);
    return atom;
}

bool Connection::HasExtension(const char *name)
{
    bool present = false;
    if (xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
            m_conn, xcb_query_extension(m_conn, std::strlen(name), name), nullptr)) {
        present = reply->present;
        std::free(reply);
    }
    CheckAlive();
    return present;
}

void Connection::SelectEvents(xcb_window_t window, std::uint32_t mask)
{
    std::uint32_t &current = m_masks[window];
    if ((current | mask) == current)
        return;
    current |= mask;
    const std::uint32_t values[] = {current};
    xcb_change_window_attributes(m_conn, window, XCB_CW_EVENT_MASK, values);
}

void Connection::ForgetWindow(xcb_window_t window)
{
    m_masks.erase(window);
}

void Connection::CheckAlive()
{
    if (m_conn && xcb_connection_has_error(m_conn)) {
        static const char message[] = "gardlock: the X display is gone; ending at once.\n";
        (void)!::write(2, message, sizeof message - 1);
        ::_exit(70);
    }
}

void Connection::Flush()
{
    xcb_flush(m_conn);
    CheckAlive();
}

void Connection::ReadEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn))
        Dispatch(event);
    CheckAlive();
    React();
}

void Connection::React()
{
    if (!m_reaction || m_reacting)
        return;
    m_reacting = true;
    // The reaction's round trips queue events of their own; a few rounds
    // settle them (what comes later arrives as a new batch).
    for (int round = 0; round < 4; ++round) {
        const unsigned long seen = m_dispatched;
        m_reaction();
        DispatchQueued();
        if (m_dispatched == seen)
            break;
    }
    m_reacting = false;
}

void Connection::DispatchQueued()
{
    // A listener that makes a round trip queues more events; the outer loop
    // picks them up, so nested calls only return.
    if (m_dispatching)
        return;
    const unsigned long seen = m_dispatched;
    while (xcb_generic_event_t *event = xcb_poll_for_queued_event(m_conn))
        Dispatch(event);
    CheckAlive();
    // Events a caller's round trip read off the socket get their reaction
    // too, once that caller is done.
    if (m_dispatched != seen && m_reaction && !m_reacting && !m_reactionPosted) {
        m_reactionPosted = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_reactionPosted = false;
                React();
            },
            Qt::QueuedConnection);
    }
}

void Connection::Dispatch(xcb_generic_event_t *event)
{
    const bool outer = !m_dispatching;
    m_dispatching = true;
    ++m_dispatched;
    for (const Listener &listener : m_listeners)
        listener(event);
    std::free(event);
    if (outer) {
        while (xcb_generic_event_t *more = xcb_poll_for_queued_event(m_conn)) {
            ++m_dispatched;
            for (const Listener &listener : m_listeners)
                listener(more);
            std::free(more);
        }
        m_dispatching = false;
    }
}

xcb_connection_t *QtConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace platform::x11
