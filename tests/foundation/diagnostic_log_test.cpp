#include "foundation/diagnostic_log.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/engine_settings.h"
#include "foundation/program_end.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::ReadWholeFile;
using testing::TempInstallation;

constexpr LocalTime kMorning{2009, 3, 14, 8, 0, 4};

TEST(DiagnosticLog, WritesDatedFileWithTaggedCrLfLines) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    WriteDiagnostic("Application starts.", kLevelInfo);
    WriteDiagnostic("ERR00201 : Backup SysLog file is invalid.", kLevelWarning);
    WriteDiagnostic("odd level", 9);
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [INFO] Application starts.\r\n"
              "2009-03-14 08:00:04 [WARMING] ERR00201 : Backup SysLog file is invalid.\r\n"
              "2009-03-14 08:00:04  odd level\r\n");
}

TEST(DiagnosticLog, TagsForEveryLevel) {
    EXPECT_EQ(DiagnosticTag(1), "[DEBUG]");
    EXPECT_EQ(DiagnosticTag(4), "[WARMING]");
    EXPECT_EQ(DiagnosticTag(8), "[EMERGENCY]");
    EXPECT_EQ(DiagnosticTag(0), "");
    EXPECT_EQ(DiagnosticTag(9), "");
}

TEST(DiagnosticLog, MidnightStartsANewFile) {
    TempInstallation installation;
    FixedClock clock({2009, 3, 14, 23, 59, 59});
    WriteDiagnostic("before", kLevelInfo);
    clock.Set(LocalTime{2009, 3, 15, 0, 0, 0});
    WriteDiagnostic("after", kLevelInfo);
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 23:59:59 [INFO] before\r\n");
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-15.log"),
              "2009-03-15 00:00:00 [INFO] after\r\n");
}

TEST(DiagnosticLog, DebugLinesOnlyWhenDebugIsOn) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    WriteDiagnostic("hidden", kLevelDebug);
    EngineSettings settings = installation.Settings();
    settings.System.isDebug = true;
    PointDiagnosticLog(settings);
    WriteDiagnostic("shown", kLevelDebug);
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [DEBUG] shown\r\n");
}

TEST(DiagnosticLog, EmptyPrefixAndCustomPrefix) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    EngineSettings settings = installation.Settings();
    settings.SystemLog.Filename = "";
    PointDiagnosticLog(settings);
    WriteDiagnostic("a", kLevelInfo);
    settings.SystemLog.Filename = "diag-";
    PointDiagnosticLog(settings);
    WriteDiagnostic("b", kLevelInfo);
    EXPECT_TRUE(std::filesystem::exists(installation.LogFolder() + "system_2009-03-14.log"));
    EXPECT_TRUE(std::filesystem::exists(installation.LogFolder() + "diag-2009-03-14.log"));
}

TEST(DiagnosticLog, DeletedFolderIsCreatedAgain) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    std::filesystem::remove_all(installation.LogFolder());
    WriteDiagnostic("still here", kLevelInfo);
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [INFO] still here\r\n");
    EXPECT_FALSE(ProgramEndRequested());
}

TEST(DiagnosticLog, UnwritableFileAsksTheProgramToEnd) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    std::string reason;
    SetProgramEndHandler([&](std::string_view why) { reason = why; });
    std::filesystem::create_directory(installation.LogFolder() + "system_2009-03-14.log");
    WriteDiagnostic("lost", kLevelInfo);
    SetProgramEndHandler(nullptr);
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(reason, "ERR00202 : System log file is invalid.");
}

TEST(DiagnosticLog, UncreatableFolderAsksTheProgramToEnd) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    settings.AppPath = installation.AppPath() + "/conf/SysInit.ini";
    testing::WriteWholeFile(settings.AppPath, "");
    PointDiagnosticLog(settings);
    WriteDiagnostic("nowhere", kLevelInfo);
    EXPECT_TRUE(ProgramEndRequested());
}

TEST(UnhandledError, LineNamesTheSupportAddress) {
    EXPECT_EQ(UnhandledErrorLine("boom"),
              "ERROR : Please send this error message to support@trevalon.invalid for trouble "
              "solving. : boom");
}

}  // namespace
}  // namespace trevalon
