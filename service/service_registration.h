#pragma once

#include <string>
#include <vector>

#include "engine/service_unit.h"
#include "foundation/engine_settings.h"
#include "platform/service_control.h"
#include "service/command_line.h"

namespace trevalon {

// INSTALL or UNINSTALL as the command line asks; prints the outcome and returns the exit status.
int RegisterService(const ServiceCommandLine& line, const EngineSettings& settings,
                    const platform::ServiceControl& control = platform::ServiceControl());

}  // namespace trevalon
