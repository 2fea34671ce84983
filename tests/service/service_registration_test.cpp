#include "service/service_registration.h"

#include <gtest/gtest.h>

namespace trevalon {
namespace {

struct InstallationCase {
    const char* appPath;
    const char* syslogPrefix;
    bool fileBackup;
    std::vector<std::string> writable;
    bool protectHome;
};

TEST(ServiceRegistration, TheUnitWritesTheLogAndSyslogFoldersAndHidesHomesUnlessNeeded) {
    const std::vector<InstallationCase> cases = {
        {"/opt/t", "/opt/t/log/syslog_", true, {"/opt/t/log/"}, true},
        {"/opt/t", "/var/log/remote/syslog_", true, {"/opt/t/log/", "/var/log/remote/"}, true},
        {"/opt/t", "/var/log/remote/syslog_", false, {"/opt/t/log/"}, true},
        {"/home/ops/t", "/home/ops/t/log/syslog_", true, {"/home/ops/t/log/"}, false},
        {"/opt/t", "/root/syslog/", true, {"/opt/t/log/", "/root/syslog/"}, false},
    };
    for (const InstallationCase& installation : cases) {
        EngineSettings settings;
        settings.AppPath = installation.appPath;
        settings.LogFolder = std::string(installation.appPath) + "/log/";
        settings.FileBackup.FilenamePath = installation.syslogPrefix;
        settings.FileBackup.Enable = installation.fileBackup;
        const platform::ServiceUnit unit = UnitForInstallation(settings, "/x/TrevalonService");
        EXPECT_EQ(unit.executablePath, "/x/TrevalonService");
        EXPECT_EQ(unit.user, "trevalon");
        EXPECT_EQ(unit.writableFolders, installation.writable) << installation.syslogPrefix;
        EXPECT_EQ(unit.protectHome, installation.protectHome) << installation.appPath;
    }
}

}  // namespace
}  // namespace trevalon
