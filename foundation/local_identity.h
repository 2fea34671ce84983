#pragma once

// The machine's own name and address, as the settings carry them.

#include <functional>
#include <string>

#include "foundation/engine_settings.h"

namespace trevalon {

// How the machine's own name and address are found; tests substitute their own.
struct HostLookup {
    std::function<int(std::string& name)> hostName;
    std::function<std::string(const std::string& name, std::string& error)> firstIPv4;
};

HostLookup SystemHostLookup();

// Fills HostName and LocalIP; failures are logged at WARMING level and leave them empty.
void DiscoverLocalIdentity(EngineSettings& settings, const HostLookup& lookup = SystemHostLookup());

}  // namespace trevalon
