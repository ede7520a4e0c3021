#pragma once
// Keeps a StackModel of the root window's children in step with the server:
// read once by QueryTree, then followed through SubstructureNotify events.

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11StackModel.h"

namespace platform::x11 {

class RootWatch {
public:
    explicit RootWatch(Connection &connection);

    // The model, read afresh first if an event showed it out of step.
    const StackModel &Model();
    // Counts model changes; a component compares it to skip work.
    unsigned long Generation() const { return m_generation; }

private:
    void Resync();
    void OnEvent(const xcb_generic_event_t *event);

    Connection &m_conn;
    StackModel m_model;
    unsigned long m_generation = 1;
    bool m_filtering = false;
    std::uint16_t m_syncSequence = 0;
};

} // namespace platform::x11
