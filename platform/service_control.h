#pragma once

#include <string>
#include <vector>

namespace trevalon::platform {

// What the systemd unit asks for one installation. The service parses untrusted network input
// all day, so it runs as a system user of its own that may bind ports below 1024 and write
// only the folders named here.
struct ServiceUnit {
    std::string executablePath;
    std::string user;
    std::vector<std::string> writableFolders;
    // Home folders hidden from the service; an installation inside one needs them read-only.
    bool protectHome = true;
};

// The service registration as a systemd unit. The program's INSTALL/UNINSTALL switches and the
// manager's start/stop go through here.
class ServiceControl {
  public:
    static constexpr const char* kUnitName = "trevalon.service";
    // The status a start refused on purpose ends with (EX_CONFIG): a person must change the
    // configuration first, so systemd does not start it again.
    static constexpr int kRefusedStartExitStatus = 78;

    explicit ServiceControl(std::string unitDirectory = "/etc/systemd/system",
                            std::string systemctl = "systemctl", std::string useradd = "useradd");

    std::string UnitPath() const { return unitDirectory_ + "/" + kUnitName; }
    static std::string UnitText(const ServiceUnit& unit);

    // Creates the unit's user when missing, checks that it can run the installation, writes the
    // unit and enables it. Returns "" on success, else the error text; nothing is installed
    // when the user cannot read `reads` or write the unit's folders.
    std::string Install(const ServiceUnit& unit, const std::vector<std::string>& reads) const;
    // Disable and remove the unit. Returns "" on success, else the error text.
    std::string Uninstall() const;

    // The manager's control; without systemd these fail silently and report false.
    bool Start() const;
    bool Stop() const;
    bool IsActive() const;

  private:
    std::string Systemctl(const std::string& verb, bool* ok) const;
    std::string EnsureUser(const std::string& user) const;

    std::string unitDirectory_;
    std::string systemctl_;
    std::string useradd_;
};

// The first of `reads` (files, or folders to enter) that `user` cannot read, or of `writes`
// (folders) that it cannot write, as "user <user> cannot read|write <path>"; "" when there is
// none. Asks the kernel as that user (runuser), so groups and ACLs count.
std::string AccessProblem(const std::string& user, const std::vector<std::string>& reads,
                          const std::vector<std::string>& writes);

}  // namespace trevalon::platform
