#include "manager/live_lists/facility_colours.h"

#include <array>
#include <utility>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {

std::uint32_t ColourOfName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 11> kColours = {{
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
    for (const auto& [known, rgb] : kColours) {
        if (known == name) {
            return rgb;
        }
    }
    return 0x000000;
}

std::uint32_t FacilityRowColour(const EngineSettings& settings, std::string_view facilityName) {
    const int code = FacilityToWireCode(NameToFacility(facilityName));
    return ColourOfName(code < 0 ? std::string_view()
                                 : settings.MessageColours[static_cast<std::size_t>(code)]);
}

}  // namespace trevalon
