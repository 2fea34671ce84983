#pragma once

// The systemd unit of an installation's service, as TrevalonService INSTALL and the manager's
// "Run as window service" register it.

#include <string>
#include <vector>

#include "foundation/engine_settings.h"
#include "platform/service_control.h"

namespace trevalon {

// The system user the installed service runs as.
inline constexpr const char* kServiceUser = "trevalon";

// The unit for this installation: the folders the service writes are its log folder and the
// folder of its syslog files; home folders stay hidden unless the installation lives in one.
platform::ServiceUnit UnitForInstallation(const EngineSettings& settings,
                                          const std::string& executablePath);
// What the service must be able to read: the program, the driver library and, when present,
// the settings file and the machine's registry hive.
std::vector<std::string> FilesTheServiceReads(const EngineSettings& settings,
                                              const std::string& executablePath);

}  // namespace trevalon
