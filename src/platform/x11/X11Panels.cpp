#include "platform/x11/X11Panels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::x11 {

namespace {

// The parts of icewm's task bar, by the names its windows carry.
const char *const kStartButton = "TaskBarMenu";
const char *const kTrayPane = "TrayPane";
const char *const kSystemTray = "SystemTray";
const char *const kTaskPane = "TaskPane";

bool Contains(const std::vector<xcb_window_t> &v, xcb_window_t w)
{
    return std::find(v.begin(), v.end(), w) != v.end();
}

std::string PropertyText(xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 8)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(reply)),
                       xcb_get_property_value_length(reply));
}

bool HasAtom(xcb_get_property_reply_t *reply, xcb_atom_t atom)
{
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
    const int n = xcb_get_property_value_length(reply) / 4;
    return std::find(atoms, atoms + n, atom) != atoms + n;
}

// WM_CLASS is "instance\0class\0".
bool IsIcewmTaskBar(xcb_get_property_reply_t *wmClass)
{
    const std::string text = PropertyText(wmClass);
    return text.compare(0, 6, std::string("icewm\0", 6)) == 0 && text.find(std::string("TaskBar\0", 8)) == 6;
}

} // namespace

Panels::Panels(Connection &connection, RootWatch &rootWatch) : m_conn(connection), m_root(rootWatch)
{
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
}

void Panels::InvalidateAll()
{
    m_done.fill(false);
}

void Panels::OnEvent(const xcb_generic_event_t *event)
{
    const std::uint8_t type = event->response_type & 0x7f;
    const xcb_window_t root = m_conn.Root();
    auto inHidden = [this](xcb_window_t w) {
        for (int p = 0; p < 4; ++p)
            if (Contains(m_hidden[p], w))
                m_done[p] = false;
    };
    switch (type) {
    case XCB_MAP_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (e->event == root) {
            auto it = m_classified.find(e->window);
            if (it == m_classified.end())
                InvalidateAll(); // a new window: may be a panel
            else if (it->second.taskBar || !it->second.docks.empty()) {
                Invalidate(Part::TaskBar);
            }
        }
        inHidden(e->window);
        if (e->event == m_taskBar) {
            // A part of the task bar came back.
            Invalidate(Part::StartButton);
            Invalidate(Part::TrayArea);
            Invalidate(Part::TaskTabs);
        }
        if (e->window == m_trayOwner)
            Invalidate(Part::TrayArea);
        break;
    }
    case XCB_CREATE_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_create_notify_event_t *>(event);
        m_classified.erase(e->window);
        if (e->parent == m_taskBar && m_taskBar)
            m_partsKnown = false;
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        m_classified.erase(e->window);
        if (m_watched.erase(e->window))
            m_conn.ForgetWindow(e->window);
        if (e->window == m_taskBar) {
            // icewm builds a new task bar under a new id.
            m_taskBar = 0;
            m_partsKnown = false;
            InvalidateAll();
        } else if (e->event == m_taskBar) {
            m_partsKnown = false;
        }
        if (e->window == m_trayOwner) {
            m_trayOwnerKnown = false;
            Invalidate(Part::TrayArea);
        }
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        auto *e = reinterpret_cast<const xcb_reparent_notify_event_t *>(event);
        m_classified.erase(e->window);
        if (e->event == root)
            m_classified.erase(e->parent);
        break;
    }
    case XCB_CLIENT_MESSAGE: {
        // A tray manager announces itself with MANAGER on the root window.
        auto *e = reinterpret_cast<const xcb_client_message_event_t *>(event);
        if (e->window == root) {
            m_trayOwnerKnown = false;
            Invalidate(Part::TrayArea);
        }
        break;
    }
    default:
        break;
    }
}

void Panels::ClassifyRootChildren()
{
    xcb_connection_t *c = m_conn.Raw();
    const xcb_atom_t typeAtom = m_conn.Atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dockAtom = m_conn.Atom("_NET_WM_WINDOW_TYPE_DOCK");

    std::vector<xcb_window_t> fresh;
    for (const StackModel::Entry &e : m_root.Model().Order())
        if (!m_classified.count(e.id))
            fresh.push_back(e.id);
    if (fresh.empty())
        return;

    // Three levels (frame, its child, grandchild), each level's requests sent
    // together so a scan costs three round trips whatever the window count.
    struct Node {
        xcb_window_t window;
        xcb_window_t top;
        int depth;
    };
    std::vector<Node> level;
    for (xcb_window_t w : fresh) {
        level.push_back({w, w, 0});
        m_classified[w] = RootChild{};
    }
    while (!level.empty()) {
        std::vector<xcb_query_tree_cookie_t> trees;
        std::vector<xcb_get_property_cookie_t> classes, types;
        for (const Node &n : level) {
            trees.push_back(xcb_query_tree(c, n.window));
            classes.push_back(xcb_get_property(c, 0, n.window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64));
            types.push_back(xcb_get_property(c, 0, n.window, typeAtom, XCB_ATOM_ATOM, 0, 32));
        }
        std::vector<Node> next;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const Node &n = level[i];
            xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, trees[i], nullptr);
            xcb_get_property_reply_t *cls = xcb_get_property_reply(c, classes[i], nullptr);
            xcb_get_property_reply_t *typ = xcb_get_property_reply(c, types[i], nullptr);
            auto found = m_classified.find(n.top);
            if (found != m_classified.end()) {
                if (IsIcewmTaskBar(cls))
                    found->second.taskBar = n.window;
                if (HasAtom(typ, dockAtom))
                    found->second.docks.push_back(n.window);
            }
            if (tree && n.depth < 2) {
                const int count = std::min(xcb_query_tree_children_length(tree), 64);
                const xcb_window_t *kids = xcb_query_tree_children(tree);
                for (int k = 0; k < count; ++k)
                    next.push_back({kids[k], n.top, n.depth + 1});
            }
            std::free(tree);
            std::free(cls);
            std::free(typ);
        }
        level = std::move(next);
    }
    m_conn.CheckAlive();

    // The task bar in use is the one in a frame that still exists.
    for (const auto &[top, info] : m_classified) {
        if (info.taskBar && info.taskBar != m_taskBar) {
            m_taskBar = info.taskBar;
            m_partsKnown = false;
        }
    }
}

void Panels::ReadTaskBarParts()
{
    if (m_partsKnown)
        return;
    m_parts.clear();
    m_partsKnown = true;
    if (!m_taskBar)
        return;
    xcb_connection_t *c = m_conn.Raw();
    // Parts created or destroyed later are reported on the task bar itself.
    m_conn.SelectEvents(m_taskBar, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    m_watched.insert(m_taskBar);
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, m_taskBar), nullptr);
    if (!tree) {
        m_taskBar = 0;
        return;
    }
    const int n = xcb_query_tree_children_length(tree);
    const xcb_window_t *kids = xcb_query_tree_children(tree);
    std::vector<xcb_get_property_cookie_t> names(n);
    for (int i = 0; i < n; ++i)
        names[i] = xcb_get_property(c, 0, kids[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64);
    for (int i = 0; i < n; ++i) {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(c, names[i], nullptr);
        const std::string name = PropertyText(reply);
        std::free(reply);
        if (!name.empty() && !m_parts.count(name))
            m_parts[name] = kids[i];
    }
    std::free(tree);
    m_conn.CheckAlive();
}

void Panels::Scan()
{
    ClassifyRootChildren();
    ReadTaskBarParts();
    if (!m_trayOwnerKnown) {
        xcb_connection_t *c = m_conn.Raw();
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(m_conn.ScreenNumber());
        const xcb_atom_t selection = m_conn.Atom(name.c_str());
        m_trayOwner = 0;
        if (auto *reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr)) {
            m_trayOwner = reply->owner;
            std::free(reply);
        }
        m_trayOwnerKnown = true;
        m_conn.CheckAlive();
    }
}

std::vector<Panels::Target> Panels::Targets(Part part)
{
    std::vector<Target> targets;
    auto part_ = [&](const char *name, bool always) {
        auto it = m_parts.find(name);
        if (it != m_parts.end())
            targets.push_back({it->second, always});
    };
    switch (part) {
    case Part::TaskBar:
        for (const auto &[top, info] : m_classified) {
            if (info.taskBar)
                targets.push_back({top, true}); // icewm's task bar goes through its frame
            for (xcb_window_t dock : info.docks)
                targets.push_back({dock, false});
        }
        break;
    case Part::StartButton:
        part_(kStartButton, true);
        break;
    case Part::TrayArea:
        part_(kTrayPane, true);
        // icewm keeps its tray window unmapped while it holds no icon.
        part_(kSystemTray, false);
        if (m_trayOwner)
            targets.push_back({m_trayOwner, false});
        break;
    case Part::TaskTabs:
        part_(kTaskPane, true);
        break;
    }
    return targets;
}

void Panels::Hide(Part part)
{
    const int p = static_cast<int>(part);
    m_want[p] = true;
    if (m_done[p])
        return; // nothing came back since the last time: no request at all
    Scan();
    xcb_connection_t *c = m_conn.Raw();
    const std::vector<Target> targets = Targets(part);
    std::vector<xcb_get_window_attributes_cookie_t> attrs;
    for (const Target &t : targets) {
        // Hear when it is mapped again or destroyed.
        if (m_watched.insert(t.window).second)
            m_conn.SelectEvents(t.window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        attrs.push_back(xcb_get_window_attributes(c, t.window));
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        auto *a = xcb_get_window_attributes_reply(c, attrs[i], nullptr);
        if (a && a->map_state != XCB_MAP_STATE_UNMAPPED) {
            xcb_unmap_window(c, targets[i].window);
            if (!Contains(m_hidden[p], targets[i].window))
                m_hidden[p].push_back(targets[i].window);
        }
        std::free(a);
    }
    m_done[p] = true;
    m_conn.Flush();
    m_conn.DispatchQueued();
}

void Panels::Rehide()
{
    for (Part part : {Part::TaskBar, Part::TrayArea, Part::TaskTabs, Part::StartButton}) {
        const int p = static_cast<int>(part);
        if (m_want[p] && !m_done[p])
            Hide(part);
    }
}

bool Panels::HasChildren(xcb_window_t window)
{
    xcb_connection_t *c = m_conn.Raw();
    bool any = false;
    if (auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)) {
        any = xcb_query_tree_children_length(tree) > 0;
        std::free(tree);
    }
    return any;
}

void Panels::Show(Part part)
{
    const int p = static_cast<int>(part);
    m_want[p] = false;
    m_done[p] = false;
    Scan();
    xcb_connection_t *c = m_conn.Raw();
    std::vector<Target> targets = Targets(part);
    // Windows hidden by us that are no longer found where they were (a dock
    // its window manager let go of) are shown too.
    for (xcb_window_t w : m_hidden[p]) {
        bool listed = false;
        for (const Target &t : targets)
            listed = listed || t.window == w;
        if (!listed)
            targets.push_back({w, false});
    }
    std::vector<xcb_get_window_attributes_cookie_t> attrs;
    for (const Target &t : targets)
        attrs.push_back(xcb_get_window_attributes(c, t.window));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        auto *a = xcb_get_window_attributes_reply(c, attrs[i], nullptr);
        const Target &t = targets[i];
        if (a && a->map_state == XCB_MAP_STATE_UNMAPPED) {
            const bool ours = Contains(m_hidden[p], t.window);
            // icewm's empty tray stays unmapped; one holding icons is shown.
            const bool trayWithIcons = !ours && !t.alwaysShown && m_parts.count(kSystemTray) &&
                                       m_parts[kSystemTray] == t.window && HasChildren(t.window);
            if (ours || t.alwaysShown || trayWithIcons) {
                // icewm redirects the mapping of its task bar's parts to
                // itself and then ignores it; flagging the part override-
                // redirect for the one request lets it through. Root
                // children (docks a window manager manages) are mapped
                // plainly, so that the manager takes them back.
                const bool inside = !m_root.Model().Find(t.window);
                const bool flag = inside && !a->override_redirect;
                const std::uint32_t on[] = {1}, off[] = {0};
                if (flag)
                    xcb_change_window_attributes(c, t.window, XCB_CW_OVERRIDE_REDIRECT, on);
                xcb_map_window(c, t.window);
                if (flag)
                    xcb_change_window_attributes(c, t.window, XCB_CW_OVERRIDE_REDIRECT, off);
            }
        }
        std::free(a);
    }
    m_hidden[p].clear();
    m_conn.Flush();
    m_conn.DispatchQueued();
}

} // namespace platform::x11
