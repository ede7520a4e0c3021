// Prints the top-most mapped child of the root window (the window in front
// of all others) as 0x..., or, with a window id, whether that window or the
// root child holding it is that top window ("top" / "below").
//
//   stacktop            stacktop 0x400001

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace {

xcb_window_t TopMapped(xcb_connection_t *c, xcb_window_t root)
{
    auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return 0;
    const int n = xcb_query_tree_children_length(tree);
    const xcb_window_t *kids = xcb_query_tree_children(tree);
    xcb_window_t top = 0;
    for (int i = n - 1; i >= 0 && !top; --i) {
        auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), nullptr);
        if (a && a->map_state == XCB_MAP_STATE_VIEWABLE)
            top = kids[i];
        std::free(a);
    }
    std::free(tree);
    return top;
}

xcb_window_t RootChildOf(xcb_connection_t *c, xcb_window_t root, xcb_window_t w)
{
    for (int depth = 0; depth < 16; ++depth) {
        auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree)
            return 0;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == root)
            return w;
        w = parent;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 3;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t top = TopMapped(c, root);
    if (argc < 2) {
        std::printf("0x%x\n", top);
        return top ? 0 : 1;
    }
    const auto w = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    const bool onTop = top && RootChildOf(c, root, w) == top;
    std::printf("%s\n", onTop ? "top" : "below");
    return onTop ? 0 : 1;
}
