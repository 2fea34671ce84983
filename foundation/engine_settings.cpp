#include "foundation/engine_settings.h"

namespace trevalon {

EngineSettings::EngineSettings() {
    MessageColours.fill("Black");
}

}  // namespace trevalon
