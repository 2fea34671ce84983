#pragma once

// The registry of the programs, kept as two INI hives.

#include <optional>
#include <string>
#include <string_view>

namespace trevalon::platform {

// The registry as two INI hives: the user's, then the machine's. A registry key path such as
// "Software\varnholt\Trevalon\Settings" is the section name, a value is a key in it.
class RegistryStore {
  public:
    RegistryStore(std::string userHivePath, std::string machineHivePath);

    // ${XDG_CONFIG_HOME:-~/.config}/varnholt/registry.ini and /etc/varnholt/registry.ini.
    static RegistryStore Default();

    // Raises std::system_error when a hive exists but cannot be read.
    std::optional<std::string> ReadUserString(std::string_view keyPath,
                                              std::string_view name) const;
    std::optional<std::string> ReadMachineString(std::string_view keyPath,
                                                 std::string_view name) const;

    const std::string& UserHivePath() const { return userHivePath_; }
    const std::string& MachineHivePath() const { return machineHivePath_; }

  private:
    std::string userHivePath_;
    std::string machineHivePath_;
};

}  // namespace trevalon::platform
