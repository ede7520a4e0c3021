#include "front/Switches.h"

namespace switches {

const Row *Find(std::string_view argText)
{
    const std::string_view sw = argText.substr(0, 2);
    for (const Row &row : kSwitches)
        if (sw == row.sw)
            return &row;
    return nullptr;
}

} // namespace switches
