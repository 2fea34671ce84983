#include "engine/service_unit.h"

#include <algorithm>
#include <filesystem>

#include "foundation/app_paths.h"
#include "platform/registry_store.h"

namespace trevalon {
namespace {

bool InsideHomeFolders(const std::string& path) {
    for (const char* home : {"/home/", "/root/", "/run/user/"}) {
        if (path.rfind(home, 0) == 0 || path + "/" == home) {
            return true;
        }
    }
    return false;
}

// The syslog file setting is a plain prefix: its folder is what comes before the last '/'.
std::string SyslogFileFolder(const EngineSettings& settings) {
    const std::string& prefix = settings.FileBackup.FilenamePath;
    const std::size_t slash = prefix.rfind('/');
    return slash == std::string::npos ? std::filesystem::current_path().string() + "/"
                                      : prefix.substr(0, slash + 1);
}

}  // namespace

platform::ServiceUnit UnitForInstallation(const EngineSettings& settings,
                                          const std::string& executablePath) {
    platform::ServiceUnit unit;
    unit.executablePath = executablePath;
    unit.user = kServiceUser;
    unit.writableFolders.push_back(settings.LogFolder);
    const std::string syslogFolder = SyslogFileFolder(settings);
    if (settings.FileBackup.Enable && syslogFolder != settings.LogFolder) {
        unit.writableFolders.push_back(syslogFolder);
    }
    unit.protectHome =
        !InsideHomeFolders(settings.AppPath) &&
        std::none_of(unit.writableFolders.begin(), unit.writableFolders.end(), InsideHomeFolders);
    return unit;
}

std::vector<std::string> FilesTheServiceReads(const EngineSettings& settings,
                                              const std::string& executablePath) {
    std::vector<std::string> files = {executablePath, DriverLibraryPath(settings.AppPath)};
    // Under systemd the user has no home, so the machine hive is where it finds the installation.
    for (const std::string& optional :
         {settings.IniFileName, platform::RegistryStore::Default().MachineHivePath()}) {
        std::error_code ignored;
        if (std::filesystem::exists(optional, ignored)) {
            files.push_back(optional);
        }
    }
    return files;
}

}  // namespace trevalon
