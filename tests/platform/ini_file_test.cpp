#include "platform/ini_file.h"

#include <system_error>

#include <gtest/gtest.h>

#include "tests/support/temp_installation.h"

namespace trevalon::platform {
namespace {

using trevalon::testing::ReadWholeFile;
using trevalon::testing::TempInstallation;
using trevalon::testing::WriteWholeFile;

TEST(IniFile, IntegersAreStrictDecimal) {
    EXPECT_EQ(ParseProfileInteger("42"), 42);
    EXPECT_EQ(ParseProfileInteger("-3"), -3);
    EXPECT_EQ(ParseProfileInteger("+7"), 7);
    EXPECT_EQ(ParseProfileInteger(""), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("abc"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("12x"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("99999999999"), std::nullopt);
}

TEST(IniFile, ReadsBothLineEndsAndIgnoresCase) {
    TempInstallation installation;
    const std::string path = installation.ConfFolder() + "a.ini";
    WriteWholeFile(path, "[One]\r\nkey=crlf\r\n[Two]\nKEY = lf \n[one]\nkey=second\n");
    const IniFile ini(path);
    EXPECT_TRUE(ini.Existed());
    EXPECT_EQ(ini.ReadString("ONE", "Key", "-"), "crlf");
    EXPECT_EQ(ini.ReadString("two", "key", "-"), "lf");
    EXPECT_EQ(ini.ReadString("three", "key", "-"), "-");
    EXPECT_EQ(ini.ReadInteger("two", "key", 5), 5);
}

TEST(IniFile, MissingFileIsEmptyAndWritingCreatesIt) {
    TempInstallation installation;
    const std::string path = installation.ConfFolder() + "new.ini";
    IniFile ini(path);
    EXPECT_FALSE(ini.Existed());
    ini.WriteString("A", "x", "1");
    ini.WriteString("B", "y", "2");
    ini.WriteString("a", "Z", "3");
    ini.WriteString("A", "X", "4");
    ini.Save();
    EXPECT_EQ(ReadWholeFile(path), "[A]\nX=4\nZ=3\n[B]\ny=2\n");
}

TEST(IniFile, UnreadableFileRaises) {
    TempInstallation installation;
    EXPECT_THROW(IniFile(installation.ConfFolder()), std::system_error);
}

}  // namespace
}  // namespace trevalon::platform
