#include "ui/Pages.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace pages {

namespace {

std::map<Page, Entry> &Registry()
{
    static std::map<Page, Entry> registry;
    return registry;
}

const Entry &EntryFor(Page page)
{
    const auto it = Registry().find(page);
    if (it == Registry().end()) {
        std::fprintf(stderr, "gardlock: no screen registered for page %d\n", static_cast<int>(page));
        std::abort();
    }
    return it->second;
}

} // namespace

void Register(Page page, Entry entry)
{
    Registry()[page] = std::move(entry);
}

Form &Load(Page page)
{
    return EntryFor(page).load();
}

Form *IfLoaded(Page page)
{
    const auto it = Registry().find(page);
    return it == Registry().end() ? nullptr : it->second.ifLoaded();
}

void Bring(Page page)
{
    Form &form = Load(page);
    form.show();
    form.raise();
    form.activateWindow();
}

} // namespace pages
