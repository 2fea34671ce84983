#include "manager/live_lists/facility_colours.h"

#include "foundation/syslog_vocabulary.h"

namespace trevalon {

std::uint32_t ColourOfName(std::string_view name) {
    for (const auto& [known, rgb] : kNamedColours) {
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
