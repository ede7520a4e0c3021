#pragma once
// What this program knows of the root window's children: their stacking
// order (bottom to top, as QueryTree reports it), map state and geometry,
// kept up to date from SubstructureNotify events so that a timer tick can
// decide without asking the server whether anything needs undoing.
//
// Plain data: no X header, so it can be fed synthetic events in tests.

#include <QRect>

#include <cstdint>
#include <vector>

namespace platform::x11 {

using WindowId = std::uint32_t;

class StackModel {
public:
    struct Entry {
        WindowId id = 0;
        bool mapped = false;
        bool everMapped = false; // mapped at least once while we watched
        QRect geometry;
    };

    // A fresh picture from QueryTree and the windows' attributes.
    void Reset(std::vector<Entry> bottomToTop);

    // The events. Each keeps the model in step or, when the event names a
    // window it does not know, marks it out of step (InStep() false) so that
    // the owner reads the tree afresh.
    void Created(WindowId w, const QRect &geometry); // on top, unmapped
    void Destroyed(WindowId w);
    void Mapped(WindowId w);
    void Unmapped(WindowId w);
    // aboveSibling 0: at the bottom.
    void Configured(WindowId w, WindowId aboveSibling, const QRect &geometry);
    void ReparentedToRoot(WindowId w, const QRect &geometry); // on top, unmapped
    void ReparentedAway(WindowId w);
    void Circulated(WindowId w, bool toTop);

    bool InStep() const { return m_inStep; }
    const std::vector<Entry> &Order() const { return m_order; }
    const Entry *Find(WindowId w) const;
    // Index in the order (bottom 0), or -1.
    int Position(WindowId w) const;

    // The windows of `wanted` (bottom to top, the order they must end in) to
    // raise, in that order, so that they are the top-most mapped windows in
    // that order; empty when they already are. Unmapped and unknown windows
    // of `wanted` are left out.
    std::vector<WindowId> ToRaise(const std::vector<WindowId> &wanted) const;

private:
    int IndexOf(WindowId w) const;
    void PutOnTop(Entry entry);

    std::vector<Entry> m_order;
    bool m_inStep = false;
};

} // namespace platform::x11
