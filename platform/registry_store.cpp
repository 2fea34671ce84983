#include "platform/registry_store.h"

#include <cstdlib>

#include "platform/ini_file.h"

namespace trevalon::platform {
namespace {

std::string UserConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

}  // namespace

RegistryStore::RegistryStore(std::string userHivePath, std::string machineHivePath)
    : userHivePath_(std::move(userHivePath)), machineHivePath_(std::move(machineHivePath)) {}

RegistryStore RegistryStore::Default() {
    return RegistryStore(UserConfigHome() + "/varnholt/registry.ini", "/etc/varnholt/registry.ini");
}

std::optional<std::string> RegistryStore::ReadUserString(std::string_view keyPath,
                                                         std::string_view name) const {
    return IniFile(userHivePath_).Find(keyPath, name);
}

std::optional<std::string> RegistryStore::ReadMachineString(std::string_view keyPath,
                                                            std::string_view name) const {
    return IniFile(machineHivePath_).Find(keyPath, name);
}

}  // namespace trevalon::platform
