#include "platform/x11/X11StackModel.h"

#include <algorithm>

namespace platform::x11 {

void StackModel::Reset(std::vector<Entry> bottomToTop)
{
    m_order = std::move(bottomToTop);
    for (Entry &e : m_order)
        e.everMapped = e.everMapped || e.mapped;
    m_inStep = true;
}

int StackModel::IndexOf(WindowId w) const
{
    for (int i = 0; i < static_cast<int>(m_order.size()); ++i)
        if (m_order[i].id == w)
            return i;
    return -1;
}

const StackModel::Entry *StackModel::Find(WindowId w) const
{
    const int i = IndexOf(w);
    return i < 0 ? nullptr : &m_order[i];
}

int StackModel::Position(WindowId w) const
{
    return IndexOf(w);
}

void StackModel::PutOnTop(Entry entry)
{
    const int i = IndexOf(entry.id);
    if (i >= 0)
        m_order.erase(m_order.begin() + i);
    m_order.push_back(entry);
}

void StackModel::Created(WindowId w, const QRect &geometry)
{
    Entry e;
    e.id = w;
    e.geometry = geometry;
    PutOnTop(e);
}

void StackModel::Destroyed(WindowId w)
{
    const int i = IndexOf(w);
    if (i >= 0)
        m_order.erase(m_order.begin() + i);
}

void StackModel::Mapped(WindowId w)
{
    const int i = IndexOf(w);
    if (i < 0) {
        m_inStep = false;
        return;
    }
    m_order[i].mapped = true;
    m_order[i].everMapped = true;
}

void StackModel::Unmapped(WindowId w)
{
    const int i = IndexOf(w);
    if (i < 0) {
        m_inStep = false;
        return;
    }
    m_order[i].mapped = false;
}

void StackModel::Configured(WindowId w, WindowId aboveSibling, const QRect &geometry)
{
    const int i = IndexOf(w);
    if (i < 0) {
        m_inStep = false;
        return;
    }
    Entry e = m_order[i];
    e.geometry = geometry;
    m_order.erase(m_order.begin() + i);
    if (aboveSibling == 0) {
        m_order.insert(m_order.begin(), e);
        return;
    }
    const int below = IndexOf(aboveSibling);
    if (below < 0) {
        m_order.insert(m_order.begin() + i, e); // keep it where it was
        m_inStep = false;
        return;
    }
    m_order.insert(m_order.begin() + below + 1, e);
}

void StackModel::ReparentedToRoot(WindowId w, const QRect &geometry)
{
    // A window reparented to the root arrives like a new one: on top, unmapped.
    Created(w, geometry);
}

void StackModel::ReparentedAway(WindowId w)
{
    Destroyed(w);
}

void StackModel::Circulated(WindowId w, bool toTop)
{
    const int i = IndexOf(w);
    if (i < 0) {
        m_inStep = false;
        return;
    }
    Entry e = m_order[i];
    m_order.erase(m_order.begin() + i);
    if (toTop)
        m_order.push_back(e);
    else
        m_order.insert(m_order.begin(), e);
}

std::vector<WindowId> StackModel::ToRaise(const std::vector<WindowId> &wanted) const
{
    std::vector<WindowId> present;
    for (WindowId w : wanted) {
        const Entry *e = Find(w);
        if (e && e->mapped)
            present.push_back(w);
    }
    if (present.empty())
        return {};
    // Walk the mapped windows from the top: they must be `present`, reversed.
    auto want = present.rbegin();
    for (auto it = m_order.rbegin(); it != m_order.rend() && want != present.rend(); ++it) {
        if (!it->mapped)
            continue;
        if (it->id != *want)
            return present;
        ++want;
    }
    return {};
}

} // namespace platform::x11
