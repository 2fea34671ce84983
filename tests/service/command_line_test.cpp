#include "service/command_line.h"

#include <gtest/gtest.h>

namespace trevalon {
namespace {

TEST(ServiceCommandLine, SwitchesInAnyCaseWithSlashOrDash) {
    const auto install = ParseServiceCommandLine({"/install", "-Silent"});
    EXPECT_TRUE(install.install);
    EXPECT_FALSE(install.uninstall);
    EXPECT_TRUE(install.silent);
    const auto uninstall = ParseServiceCommandLine({"-UNINSTALL"});
    EXPECT_TRUE(uninstall.uninstall);
    EXPECT_FALSE(uninstall.install);
    EXPECT_FALSE(uninstall.silent);
}

TEST(ServiceCommandLine, OtherWordsAreNoSwitches) {
    const auto line = ParseServiceCommandLine({"install", "--install", "/installer", "/", "", "x"});
    EXPECT_FALSE(line.install);
    EXPECT_FALSE(line.uninstall);
    EXPECT_FALSE(line.silent);
}

}  // namespace
}  // namespace trevalon
