#pragma once

// The colour names of section "Message" of SysInit.ini, and the colour of a facility's rows.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/engine_settings.h"

namespace trevalon {

// The colour names a facility may have, in the order the settings offer them, with 0xRRGGBB.
inline constexpr std::array<std::pair<std::string_view, std::uint32_t>, 11> kNamedColours = {{
    {"Black", 0x000000},
    {"Maroon", 0x800000},
    {"Green", 0x008000},
    {"Olive", 0x808000},
    {"Navy", 0x000080},
    {"Purple", 0x800080},
    {"Teal", 0x008080},
    {"Gray", 0x808080},
    {"Red", 0xFF0000},
    {"Yellow", 0xFFFF00},
    {"Aqua", 0x00FFFF},
}};

// 0xRRGGBB of a colour name ("Black", "Maroon", ... "Aqua"); black for any other name.
std::uint32_t ColourOfName(std::string_view name);

// The configured colour of the facility named `facilityName`; the Kernel colour for a name that
// is no facility's.
std::uint32_t FacilityRowColour(const EngineSettings& settings, std::string_view facilityName);

}  // namespace trevalon
