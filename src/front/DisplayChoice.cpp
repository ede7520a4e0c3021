#include "front/DisplayChoice.h"

namespace front {

DisplaySystem ChooseDisplaySystem(const DisplayFacts &facts)
{
    if (!facts.wayland.reached)
        return DisplaySystem::X11;
    if (!facts.x11.named)
        return DisplaySystem::Wayland;
    return facts.x11.reachable && facts.x11.xwayland ? DisplaySystem::Wayland : DisplaySystem::X11;
}

} // namespace front
