#include "foundation/engine_settings.h"

namespace trevalon {

EngineSettings::EngineSettings() {
    MessageColours.fill("Black");
}

EngineSettings& TheEngineSettings() {
    static EngineSettings settings;
    return settings;
}

}  // namespace trevalon
