#include "platform/service_control.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/command_runner.h"
#include "platform/errno_text.h"

namespace trevalon::platform {

ServiceControl::ServiceControl(std::string unitDirectory, std::string systemctl)
    : unitDirectory_(std::move(unitDirectory)), systemctl_(std::move(systemctl)) {}

std::string ServiceControl::UnitText(const std::string& executablePath) {
    return "[Unit]\n"
           "Description=Trevalon\n"
           "After=network-online.target mariadb.service\n"
           "Wants=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=\"" +
           executablePath +
           "\"\n"
           "KillSignal=SIGTERM\n"
           "TimeoutStopSec=120\n"
           "Restart=on-failure\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

std::string ServiceControl::Systemctl(const std::string& verb, bool* ok) const {
    const CommandResult result = RunCommand({systemctl_, verb, kUnitName});
    *ok = result.exitCode == 0;
    return result.output.empty() ? systemctl_ + " " + verb + " failed" : result.output;
}

std::string ServiceControl::Install(const std::string& executablePath) const {
    {
        std::ofstream unit(UnitPath(), std::ios::trunc);
        unit << UnitText(executablePath);
        unit.flush();
        if (!unit) {
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

}  // namespace trevalon::platform
