#pragma once

#include <string>
#include <vector>

namespace trevalon {

// The service program's switches: "INSTALL", "UNINSTALL" and "SILENT", each written with a
// leading "/" or "-" in any letter case. Anything else is ignored.
struct ServiceCommandLine {
    bool install = false;
    bool uninstall = false;
    bool silent = false;
};

ServiceCommandLine ParseServiceCommandLine(const std::vector<std::string>& arguments);

}  // namespace trevalon
