#pragma once

// The colour names of section "Message" of SysInit.ini, and the colour of a facility's rows.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/engine_settings.h"

namespace trevalon {

// 0xRRGGBB of a colour name ("Black", "Maroon", ... "Aqua"); black for any other name.
std::uint32_t ColourOfName(std::string_view name);

// The configured colour of the facility named `facilityName`; the Kernel colour for a name that
// is no facility's.
std::uint32_t FacilityRowColour(const EngineSettings& settings, std::string_view facilityName);

}  // namespace trevalon
