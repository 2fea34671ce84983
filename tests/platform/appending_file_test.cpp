#include "platform/appending_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <unistd.h>

namespace trevalon::platform {
namespace {

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AppendingFileTest : public ::testing::Test {
  protected:
    AppendingFileTest()
        : folder_(std::filesystem::temp_directory_path() /
                  ("appending_file_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder_);
    }
    ~AppendingFileTest() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};

TEST_F(AppendingFileTest, KeepsItsHandleUntilThePathChangesOrItGrowsOld) {
    const std::string first = folder_ / "first.log";
    const std::string second = folder_ / "second.log";
    AppendingFile kept(std::chrono::hours(1));
    EXPECT_EQ(kept.Append(first, "a\r\n"), 0);
    std::filesystem::rename(first, first + ".moved");
    // Still the same handle: the line follows the file it was opened on.
    EXPECT_EQ(kept.Append(first, "b\r\n"), 0);
    EXPECT_EQ(Contents(first + ".moved"), "a\r\nb\r\n");
    EXPECT_EQ(kept.Append(second, "c\r\n"), 0);
    EXPECT_EQ(Contents(second), "c\r\n");
    EXPECT_FALSE(std::filesystem::exists(first));

    AppendingFile renewed(std::chrono::seconds(0));
    EXPECT_EQ(renewed.Append(first, "d\r\n"), 0);
    std::filesystem::rename(first, first + ".again");
    // An old handle is given up: the file is created again.
    EXPECT_EQ(renewed.Append(first, "e\r\n"), 0);
    EXPECT_EQ(Contents(first + ".again"), "d\r\n");
    EXPECT_EQ(Contents(first), "e\r\n");
}

TEST_F(AppendingFileTest, AFailureIsReturnedAndLeavesTheFileClosed) {
    AppendingFile file;
    EXPECT_EQ(file.Append((folder_ / "missing" / "x.log").string(), "x"), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Append((folder_ / "x.log").string(), "x"), 0);
    EXPECT_TRUE(file.IsOpen());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

}  // namespace
}  // namespace trevalon::platform
