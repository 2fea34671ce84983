#include "foundation/app_paths.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::TempInstallation;
using testing::WriteWholeFile;

class AppPathTest : public ::testing::Test {
  protected:
    std::string Hive(const std::string& name) const { return installation.AppPath() + "/" + name; }
    platform::RegistryStore Registry() const {
        return platform::RegistryStore(Hive("user.ini"), Hive("machine.ini"));
    }
    TempInstallation installation;
};

TEST_F(AppPathTest, UserHiveFirst) {
    WriteWholeFile(Hive("user.ini"),
                   "[Software\\varnholt\\Trevalon\\Settings]\nAppPath=/opt/user-trevalon\n");
    WriteWholeFile(Hive("machine.ini"),
                   "[Software\\varnholt\\Trevalon\\Settings]\nAppPath=/opt/trevalon\n");
    EXPECT_EQ(FindAppPath(Registry()), "/opt/user-trevalon");
}

TEST_F(AppPathTest, EmptyUserValueFallsBackToMachineHive) {
    WriteWholeFile(Hive("user.ini"), "[software\\VARNHOLT\\trevalon\\settings]\napppath=\n");
    WriteWholeFile(Hive("machine.ini"),
                   "[Software\\varnholt\\Trevalon\\Settings]\r\nAppPath=/opt/trevalon/\r\n");
    EXPECT_EQ(FindAppPath(Registry()), "/opt/trevalon");
}

TEST_F(AppPathTest, BothEmptyGivesParentFolder) {
    EXPECT_EQ(FindAppPath(Registry()), "..");
    WriteWholeFile(Hive("machine.ini"), "[Software\\varnholt\\Other]\nAppPath=/elsewhere\n");
    EXPECT_EQ(FindAppPath(Registry()), "..");
}

TEST_F(AppPathTest, UnreadableHiveGivesEmptyPath) {
    std::filesystem::create_directory(Hive("user.ini"));
    EXPECT_EQ(FindAppPath(Registry()), "");
}

TEST_F(AppPathTest, DefaultUserHiveFollowsXdgConfigHome) {
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("XDG_CONFIG_HOME", installation.AppPath().c_str(), 1);
    EXPECT_EQ(platform::RegistryStore::Default().UserHivePath(),
              installation.AppPath() + "/varnholt/registry.ini");
    EXPECT_EQ(platform::RegistryStore::Default().MachineHivePath(), "/etc/varnholt/registry.ini");
    if (previous != nullptr) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

TEST_F(AppPathTest, FoldersAreCreatedAndRecorded) {
    EngineSettings settings;
    settings.AppPath = installation.AppPath() + "/fresh";
    ASSERT_TRUE(EnsureConfFolder(settings));
    ASSERT_TRUE(EnsureLogFolder(settings));
    EXPECT_EQ(settings.IniFileName, installation.AppPath() + "/fresh/conf/SysInit.ini");
    EXPECT_EQ(settings.LogFolder, installation.AppPath() + "/fresh/log/");
    EXPECT_TRUE(std::filesystem::is_directory(installation.AppPath() + "/fresh/conf"));
}

TEST_F(AppPathTest, FolderThatCannotBeCreated) {
    EngineSettings settings;
    settings.AppPath = installation.AppPath() + "/blocker";
    WriteWholeFile(settings.AppPath, "a file, not a folder");
    EXPECT_FALSE(EnsureConfFolder(settings));
    EXPECT_FALSE(EnsureLogFolder(settings));
    EXPECT_EQ(settings.IniFileName, "");
}

TEST_F(AppPathTest, EmptyAppPathWorksRelativeToTheWorkingDirectory) {
    EXPECT_EQ(InstallationFolder("", "log"), "log/");
    EXPECT_EQ(InstallationFolder("..", "conf"), "../conf/");
}

TEST_F(AppPathTest, DriverLibraryPresence) {
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    EXPECT_FALSE(DriverLibraryPresent(settings.AppPath));
    installation.InstallDriverLibrary();
    EXPECT_TRUE(DriverLibraryPresent(settings.AppPath));
    EXPECT_EQ(DriverLibraryPath(settings.AppPath), installation.DllFolder() + "libmariadb.so.3");
}

}  // namespace
}  // namespace trevalon
