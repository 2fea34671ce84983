#pragma once

#include <string>

namespace trevalon::platform {

// The service registration as a systemd unit. The program's INSTALL/UNINSTALL switches and the
// manager's start/stop go through here.
class ServiceControl {
  public:
    static constexpr const char* kUnitName = "trevalon.service";

    explicit ServiceControl(std::string unitDirectory = "/etc/systemd/system",
                            std::string systemctl = "systemctl");

    std::string UnitPath() const { return unitDirectory_ + "/" + kUnitName; }
    // The unit text for the given program.
    static std::string UnitText(const std::string& executablePath);

    // Write the unit and enable it. Returns "" on success, else the error text.
    std::string Install(const std::string& executablePath) const;
    // Disable and remove the unit. Returns "" on success, else the error text.
    std::string Uninstall() const;

    // The manager's control; without systemd these fail silently and report false.
    bool Start() const;
    bool Stop() const;
    bool IsActive() const;

  private:
    std::string Systemctl(const std::string& verb, bool* ok) const;

    std::string unitDirectory_;
    std::string systemctl_;
};

}  // namespace trevalon::platform
