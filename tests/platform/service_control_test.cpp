#include "platform/service_control.h"

#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/command_runner.h"
#include "tests/support/temp_installation.h"

namespace trevalon::platform {
namespace {

using trevalon::testing::ReadWholeFile;
using trevalon::testing::TempInstallation;
using trevalon::testing::WriteWholeFile;

TEST(CommandRunner, CapturesOutputAndExitCode) {
    const CommandResult ok = RunCommand({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(ok.exitCode, 3);
    EXPECT_EQ(ok.output, "out\nerr");
    const CommandResult missing = RunCommand({"/nonexistent/program"});
    EXPECT_EQ(missing.exitCode, -1);
    EXPECT_EQ(missing.output, "/nonexistent/program: No such file or directory");
}

ServiceUnit OptUnit() {
    return {"/opt/trevalon/bin/TrevalonService",
            "trevalon",
            {"/opt/trevalon/log/", "/var/log/trevalon 100%/"},
            true};
}

TEST(ServiceUnitText, HardenedUnprivilegedServiceThatIsNotRestartedAfterARefusal) {
    EXPECT_EQ(ServiceControl::UnitText(OptUnit()),
              "[Unit]\n"
              "Description=Trevalon\n"
              "After=network-online.target mariadb.service\n"
              "Wants=network-online.target\n"
              "\n"
              "[Service]\n"
              "Type=simple\n"
              "ExecStart=\"/opt/trevalon/bin/TrevalonService\"\n"
              "User=trevalon\n"
              "Group=trevalon\n"
              "AmbientCapabilities=CAP_NET_BIND_SERVICE\n"
              "CapabilityBoundingSet=CAP_NET_BIND_SERVICE\n"
              "NoNewPrivileges=yes\n"
              "ProtectSystem=strict\n"
              "ReadWritePaths=\"/opt/trevalon/log/\" \"/var/log/trevalon 100%%/\"\n"
              "ProtectHome=yes\n"
              "PrivateTmp=yes\n"
              "KillSignal=SIGTERM\n"
              "TimeoutStopSec=120\n"
              "Restart=on-failure\n"
              "RestartSec=5\n"
              "RestartPreventExitStatus=78\n"
              "\n"
              "[Install]\n"
              "WantedBy=multi-user.target\n");
    ServiceUnit home = OptUnit();
    home.protectHome = false;
    EXPECT_NE(ServiceControl::UnitText(home).find("\nProtectHome=read-only\n"), std::string::npos);
}

TEST(ServiceUnitText, SystemdAcceptsTheUnit) {
    if (RunCommand({"systemd-analyze", "--version"}).exitCode != 0) {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    TempInstallation installation;
    ServiceUnit unit = OptUnit();
    unit.executablePath = "/bin/true";
    const std::string odd = installation.AppPath() + "/syslog 100%x \"q\" \\b/";
    std::filesystem::create_directory(odd);
    unit.writableFolders = {installation.LogFolder(), odd};
    const std::string path = installation.AppPath() + "/trevalon.service";
    WriteWholeFile(path, ServiceControl::UnitText(unit));
    const CommandResult verdict = RunCommand({"systemd-analyze", "verify", path});
    EXPECT_EQ(verdict.exitCode, 0) << verdict.output;
    EXPECT_EQ(verdict.output.find(path + ":"), std::string::npos) << verdict.output;
}

// A stand-in for systemctl that records its arguments and fails when told to.
class ServiceControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(UnitDirectory());
        WriteWholeFile(FakeSystemctl(),
                       "#!/bin/sh\necho \"$@\" >> " + CallLog() + "\nif [ -f " +
                           installation.AppPath() +
                           "/fail ]; then echo \"Failed to $1 unit\" >&2; exit 1; fi\n");
        std::filesystem::permissions(FakeSystemctl(), std::filesystem::perms::owner_all);
    }
    std::string UnitDirectory() const { return installation.AppPath() + "/units"; }
    std::string FakeSystemctl() const { return installation.AppPath() + "/systemctl"; }
    std::string CallLog() const { return installation.AppPath() + "/calls"; }
    ServiceControl Control() const { return ServiceControl(UnitDirectory(), FakeSystemctl()); }
    void MakeSystemctlFail() const { WriteWholeFile(installation.AppPath() + "/fail", ""); }
    // A unit of an existing user that writes no folder, so no access check can fail.
    static ServiceUnit UnwritableUnit() { return {"/bin/true", "root", {}, true}; }

    TempInstallation installation;
};

TEST_F(ServiceControlTest, InstallChecksTheUsersAccessThenWritesAndEnablesTheUnit) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "asking the kernel as another user needs root";
    }
    // "nobody" exists on every Debian system, so no user is created; it can read what all may
    // read and write nothing of root's.
    const std::string privateFolder = installation.AppPath() + "/private/";
    std::filesystem::create_directory(privateFolder);
    std::filesystem::permissions(privateFolder, std::filesystem::perms::owner_all);
    const std::string openFolder = installation.AppPath() + "/open/";
    std::filesystem::create_directory(openFolder);
    std::filesystem::permissions(openFolder, std::filesystem::perms::all);
    std::filesystem::permissions(installation.AppPath(), std::filesystem::perms::all);

    ServiceUnit unit{"/bin/true", "nobody", {openFolder, privateFolder}, true};
    EXPECT_EQ(Control().Install(unit, {"/bin/true"}), "user nobody cannot write " + privateFolder);
    EXPECT_EQ(Control().Install(unit, {privateFolder + "x"}),
              "user nobody cannot read " + privateFolder + "x");
    EXPECT_FALSE(std::filesystem::exists(UnitDirectory() + "/trevalon.service"));
    EXPECT_FALSE(std::filesystem::exists(CallLog()));

    unit.writableFolders = {openFolder};
    EXPECT_EQ(Control().Install(unit, {"/bin/true"}), "");
    EXPECT_EQ(ReadWholeFile(UnitDirectory() + "/trevalon.service"), ServiceControl::UnitText(unit));
    EXPECT_EQ(ReadWholeFile(CallLog()), "daemon-reload\nenable trevalon.service\n");
}

TEST_F(ServiceControlTest, UninstallDisablesAndRemovesTheUnit) {
    WriteWholeFile(UnitDirectory() + "/trevalon.service", "[Unit]\n");
    WriteWholeFile(CallLog(), "daemon-reload\nenable trevalon.service\n");
    EXPECT_EQ(Control().Uninstall(), "");
    EXPECT_FALSE(std::filesystem::exists(UnitDirectory() + "/trevalon.service"));
    EXPECT_EQ(ReadWholeFile(CallLog()),
              "daemon-reload\nenable trevalon.service\ndisable trevalon.service\ndaemon-reload\n");
}

TEST_F(ServiceControlTest, FailuresCarrySystemctlsText) {
    MakeSystemctlFail();
    EXPECT_EQ(Control().Install(UnwritableUnit(), {}), "Failed to enable unit");
    EXPECT_EQ(Control().Uninstall(), "Failed to disable unit");
    EXPECT_FALSE(Control().Start());
    EXPECT_FALSE(Control().Stop());
    EXPECT_FALSE(Control().IsActive());
}

TEST_F(ServiceControlTest, UnwritableUnitFolder) {
    const ServiceControl control(installation.AppPath() + "/missing", FakeSystemctl());
    EXPECT_EQ(control.Install(UnwritableUnit(), {}),
              installation.AppPath() + "/missing/trevalon.service: No such file or directory");
}

TEST_F(ServiceControlTest, WithoutSystemctlControlFailsQuietly) {
    const ServiceControl control(UnitDirectory(), "/nonexistent/systemctl");
    EXPECT_FALSE(control.Start());
    EXPECT_FALSE(control.IsActive());
}

}  // namespace
}  // namespace trevalon::platform
