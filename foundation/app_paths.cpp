#include "foundation/app_paths.h"

#include <exception>
#include <filesystem>

namespace trevalon {
namespace fs = std::filesystem;

std::string FindAppPath(const platform::RegistryStore& registry) {
    try {
        auto value = registry.ReadUserString(kRegistrySettingsKey, "AppPath");
        if (!value || value->empty()) {
            value = registry.ReadMachineString(kRegistrySettingsKey, "AppPath");
        }
        if (!value || value->empty()) {
            return "..";
        }
        while (value->size() > 1 && value->back() == '/') {
            value->pop_back();
        }
        return *value;
    } catch (const std::exception&) {
        return "";
    }
}

std::string FindAppPath() {
    return FindAppPath(platform::RegistryStore::Default());
}

std::string InstallationFolder(const std::string& appPath, const char* folder) {
    return appPath.empty() ? std::string(folder) + "/" : appPath + "/" + folder + "/";
}

bool FolderAvailable(const std::string& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) {
        return true;
    }
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error);
}

bool EnsureConfFolder(EngineSettings& settings) {
    const std::string folder = InstallationFolder(settings.AppPath, "conf");
    if (!FolderAvailable(folder)) {
        return false;
    }
    settings.IniFileName = folder + kSettingsFileName;
    return true;
}

bool EnsureLogFolder(EngineSettings& settings) {
    const std::string folder = InstallationFolder(settings.AppPath, "log");
    if (!FolderAvailable(folder)) {
        return false;
    }
    settings.LogFolder = folder;
    return true;
}

std::string DriverLibraryPath(const std::string& appPath) {
    return InstallationFolder(appPath, "dll") + kDriverLibraryName;
}

bool DriverLibraryPresent(const std::string& appPath) {
    std::error_code error;
    return fs::is_regular_file(DriverLibraryPath(appPath), error);
}

}  // namespace trevalon
