#include "platform/service_control.h"

#include <filesystem>

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

    TempInstallation installation;
};

TEST_F(ServiceControlTest, InstallWritesAndEnablesTheUnit) {
    EXPECT_EQ(Control().Install("/opt/trevalon/bin/TrevalonService"), "");
    const std::string unit = ReadWholeFile(UnitDirectory() + "/trevalon.service");
    EXPECT_NE(unit.find("ExecStart=\"/opt/trevalon/bin/TrevalonService\"\n"), std::string::npos);
    EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(CallLog()), "daemon-reload\nenable trevalon.service\n");
}

TEST_F(ServiceControlTest, UninstallDisablesAndRemovesTheUnit) {
    ASSERT_EQ(Control().Install("/x"), "");
    EXPECT_EQ(Control().Uninstall(), "");
    EXPECT_FALSE(std::filesystem::exists(UnitDirectory() + "/trevalon.service"));
    EXPECT_EQ(ReadWholeFile(CallLog()),
              "daemon-reload\nenable trevalon.service\ndisable trevalon.service\ndaemon-reload\n");
}

TEST_F(ServiceControlTest, FailuresCarrySystemctlsText) {
    MakeSystemctlFail();
    EXPECT_EQ(Control().Install("/x"), "Failed to enable unit");
    EXPECT_EQ(Control().Uninstall(), "Failed to disable unit");
    EXPECT_FALSE(Control().Start());
    EXPECT_FALSE(Control().Stop());
    EXPECT_FALSE(Control().IsActive());
}

TEST_F(ServiceControlTest, UnwritableUnitFolder) {
    const ServiceControl control(installation.AppPath() + "/missing", FakeSystemctl());
    EXPECT_EQ(control.Install("/x"),
              installation.AppPath() + "/missing/trevalon.service: No such file or directory");
}

TEST_F(ServiceControlTest, WithoutSystemctlControlFailsQuietly) {
    const ServiceControl control(UnitDirectory(), "/nonexistent/systemctl");
    EXPECT_FALSE(control.Start());
    EXPECT_FALSE(control.IsActive());
}

}  // namespace
}  // namespace trevalon::platform
