#include "manager/main_window/environment_log.h"

#include <filesystem>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::istringstream text(testing::ReadWholeFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

// "-DEBUG" writes the header into the program's folder; the next start without debug mode
// leaves no file; the line rule dates plain texts only.
TEST(EnvironmentLog, DebugStartWritesTheHeaderAndANormalStartRemovesIt) {
    testing::TempInstallation installation;
    testing::FixedClock clock({2026, 12, 10, 8, 0, 4});
    const std::string program = installation.AppPath() + "/bin/TrevalonManager";
    std::filesystem::create_directories(installation.AppPath() + "/bin");
    const std::string path = installation.AppPath() + "/bin/HHDebug.txt";

    const EnvironmentLog log = StartEnvironmentLog(program, {"-DEBUG", "x y"}, "4.1.0", "6.4.2");
    EXPECT_EQ(log.Path(), path);
    log.Write("plain text");
    log.Write("!no time");
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[0], std::string(80, '=') + "\r");
    EXPECT_EQ(lines[1], "Log File:             " + path + "\r");
    EXPECT_EQ(lines[2], "Date:                 2026-12-10 08:00:04\r");
    EXPECT_EQ(lines[8], std::string(80, '-') + "\r");
    EXPECT_EQ(lines[11], "Cmdline Param(s) =  -DEBUG | x y\r");
    EXPECT_EQ(lines[12], "Actual CmdLine =  " + program + " -DEBUG x y\r");
    EXPECT_EQ(lines[21], "_hhFriendlyVerStr = Qt 6.4.2\r");
    EXPECT_EQ(lines[26], std::string(80, '=') + "\r");
    EXPECT_EQ(lines[27], "08:00:04   plain text\r");
    EXPECT_EQ(lines[28], "no time\r");

    const EnvironmentLog quiet = StartEnvironmentLog(program, {}, "4.1.0", "6.4.2");
    quiet.Write("nothing");
    EXPECT_FALSE(std::filesystem::exists(path));
    testing::WriteWholeFile(installation.AppPath() + "/bin/debug.debug", "");
    EXPECT_TRUE(DebugModeWanted(installation.AppPath() + "/bin", {}));
    EXPECT_TRUE(DebugModeWanted("/nowhere", {"/Debug"}));
}

}  // namespace
}  // namespace trevalon
