#include "platform/service_control.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include <pwd.h>

#include "platform/command_runner.h"
#include "platform/errno_text.h"

namespace trevalon::platform {
namespace {

// A path as a quoted unit-file word. systemd expands "%" specifiers and reads C-style escapes
// inside quotes, so a folder name with a percent sign, a quote or a backslash is escaped.
std::string UnitWord(const std::string& path) {
    std::string word = "\"";
    for (const char c : path) {
        if (c == '%') {
            word += '%';
        } else if (c == '"' || c == '\\') {
            word += '\\';
        }
        word += c;
    }
    return word + "\"";
}

}  // namespace

ServiceControl::ServiceControl(std::string unitDirectory, std::string systemctl,
                               std::string useradd)
    : unitDirectory_(std::move(unitDirectory)),
      systemctl_(std::move(systemctl)),
      useradd_(std::move(useradd)) {}

std::string ServiceControl::UnitText(const ServiceUnit& unit) {
    std::string writable;
    for (const std::string& folder : unit.writableFolders) {
        writable += (writable.empty() ? "ReadWritePaths=" : " ") + UnitWord(folder);
    }
    if (!writable.empty()) {
        writable += "\n";
    }
    return "[Unit]\n"
           "Description=Trevalon\n"
           "After=network-online.target mariadb.service\n"
           "Wants=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=" +
           UnitWord(unit.executablePath) +
           "\n"
           "User=" +
           unit.user + "\nGroup=" + unit.user +
           "\n"
           "AmbientCapabilities=CAP_NET_BIND_SERVICE\n"
           "CapabilityBoundingSet=CAP_NET_BIND_SERVICE\n"
           "NoNewPrivileges=yes\n"
           "ProtectSystem=strict\n" +
           writable + "ProtectHome=" + (unit.protectHome ? "yes" : "read-only") +
           "\n"
           "PrivateTmp=yes\n"
           "KillSignal=SIGTERM\n"
           "TimeoutStopSec=120\n"
           "Restart=on-failure\n"
           "RestartSec=5\n"
           "RestartPreventExitStatus=" +
           std::to_string(kRefusedStartExitStatus) +
           "\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

std::string ServiceControl::Systemctl(const std::string& verb, bool* ok) const {
    const CommandResult result = RunCommand({systemctl_, verb, kUnitName});
    *ok = result.exitCode == 0;
    return result.output.empty() ? systemctl_ + " " + verb + " failed" : result.output;
}

std::string ServiceControl::EnsureUser(const std::string& user) const {
    if (getpwnam(user.c_str()) != nullptr) {
        return "";
    }
    const CommandResult result =
        RunCommand({useradd_, "--system", "--user-group", "--no-create-home", "--home-dir",
                    "/nonexistent", "--shell", "/usr/sbin/nologin", user});
    if (result.exitCode == 0) {
        return "";
    }
    return "cannot create the user " + user + ": " +
           (result.output.empty() ? useradd_ + " failed" : result.output);
}

std::string ServiceControl::Install(const ServiceUnit& unit,
                                    const std::vector<std::string>& reads) const {
    if (std::string error = EnsureUser(unit.user); !error.empty()) {
        return error;
    }
    if (std::string problem = AccessProblem(unit.user, reads, unit.writableFolders);
        !problem.empty()) {
        return problem;
    }
    {
        std::ofstream file(UnitPath(), std::ios::trunc);
        file << UnitText(unit);
        file.flush();
        if (!file) {
            return UnitPath() + ": " + ErrnoText(errno != 0 ? errno : EIO);
        }
    }
    RunCommand({systemctl_, "daemon-reload"});
    bool ok = false;
    const std::string error = Systemctl("enable", &ok);
    return ok ? "" : error;
}

std::string ServiceControl::Uninstall() const {
    bool ok = false;
    const std::string error = Systemctl("disable", &ok);
    if (std::remove(UnitPath().c_str()) != 0 && errno != ENOENT) {
        return UnitPath() + ": " + ErrnoText(errno);
    }
    RunCommand({systemctl_, "daemon-reload"});
    return ok ? "" : error;
}

bool ServiceControl::Start() const {
    bool ok = false;
    Systemctl("start", &ok);
    return ok;
}

bool ServiceControl::Stop() const {
    bool ok = false;
    Systemctl("stop", &ok);
    return ok;
}

bool ServiceControl::IsActive() const {
    bool ok = false;
    Systemctl("is-active", &ok);
    return ok;
}

std::string AccessProblem(const std::string& user, const std::vector<std::string>& reads,
                          const std::vector<std::string>& writes) {
    const auto fails = [&user](std::vector<std::string> test) {
        test.insert(test.begin(), {"runuser", "-u", user, "--", "test"});
        return RunCommand(test).exitCode != 0;
    };
    for (const std::string& path : reads) {
        if (fails({"-r", path})) {
            return "user " + user + " cannot read " + path;
        }
    }
    for (const std::string& folder : writes) {
        if (fails({"-w", folder, "-a", "-x", folder})) {
            return "user " + user + " cannot write " + folder;
        }
    }
    return "";
}

}  // namespace trevalon::platform
