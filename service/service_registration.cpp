#include "service/service_registration.h"

#include <filesystem>
#include <iostream>

namespace trevalon {
namespace {

constexpr const char* kServiceDisplayName = "Trevalon";

}  // namespace

int RegisterService(const ServiceCommandLine& line, const EngineSettings& settings,
                    const platform::ServiceControl& control) {
    const bool install = line.install;
    std::string error;
    if (install) {
        const std::string executable = std::filesystem::read_symlink("/proc/self/exe").string();
        error = control.Install(UnitForInstallation(settings, executable),
                                FilesTheServiceReads(settings, executable));
    } else {
        error = control.Uninstall();
    }
    if (!error.empty()) {
        std::cerr << "Service \"" << kServiceDisplayName << "\" failed to "
                  << (install ? "install" : "uninstall") << " with error: \"" << error << "\"\n";
        return 1;
    }
    if (!line.silent) {
        std::cout << (install ? "Service installed successfully"
                              : "Service uninstalled successfully")
                  << "\n";
    }
    return 0;
}

}  // namespace trevalon
