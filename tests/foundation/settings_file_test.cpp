#include "foundation/settings_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/local_identity.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::ReadWholeFile;
using testing::TempInstallation;
using testing::WriteWholeFile;

EngineSettings ReadFile(const TempInstallation& installation, const std::string& content) {
    WriteWholeFile(installation.ConfFolder() + "SysInit.ini", content);
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = installation.ConfFolder() + "SysInit.ini";
    ReadSettingsFile(settings);
    return settings;
}

TEST(SettingsFile, MissingFileGivesDefaultsAndFirstRunWithoutWriting) {
    TempInstallation installation;
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = installation.ConfFolder() + "SysInit.ini";
    ReadSettingsFile(settings);
    EXPECT_TRUE(settings.FirstRun);
    EXPECT_FALSE(std::filesystem::exists(settings.IniFileName));
    EXPECT_FALSE(settings.System.isDebug);
    EXPECT_TRUE(settings.System.InitStart);
    EXPECT_TRUE(settings.System.SysLogUDPEnable);
    EXPECT_EQ(settings.System.SysLogPort, "514");
    EXPECT_EQ(settings.System.SysLogBufferSize, 8192);
    EXPECT_EQ(settings.System.SysLogMessageIPType, 1);
    EXPECT_FALSE(settings.System.SysLogTCPEnable);
    EXPECT_EQ(settings.System.SysLogTCPPort, "1468");
    EXPECT_EQ(settings.System.SysLogTCPTimeout, 5000);
    EXPECT_EQ(settings.Database.Host, "localhost");
    EXPECT_EQ(settings.Database.Port, "3306");
    EXPECT_EQ(settings.Database.DBUsername, "root");
    EXPECT_EQ(settings.Database.DBPassword, "");
    EXPECT_EQ(settings.SystemLog.Filename, "system_");
    EXPECT_EQ(settings.FileBackup.FilenamePath, installation.LogFolder());
    EXPECT_EQ(settings.FileBackup.Filename, "syslog_");
    EXPECT_EQ(settings.DbBackup.Type, "MySQL");
    EXPECT_EQ(settings.DbBackup.Connections, 8);
    EXPECT_EQ(settings.DbBackup.SpoolLimitMB, 1024);
    EXPECT_EQ(settings.Alarming.NoConcurrentAlarm, 500);
    EXPECT_EQ(settings.Alarming.NoQueuingAlarm, 1000);
    EXPECT_EQ(settings.Alarming.QueningSecond, 600);
    EXPECT_EQ(settings.System.WindowWidth, 800);
    EXPECT_EQ(settings.System.ShowLogItem, 100);
    EXPECT_EQ(settings.MessageColours[0], "Black");
}

TEST(SettingsFile, CorrectionsAndUnreadableValues) {
    TempInstallation installation;
    const EngineSettings settings = ReadFile(installation,
                                             "[System]\n"
                                             "SysLogBufferSize=100\n"
                                             "SysLogTCPTimeout=0\n"
                                             "SysLogMessageIPType=-3\n"
                                             "WindowWidth=-1\n"
                                             "WindowHeight=0\n"
                                             "[Alarming]\n"
                                             "NoQueuingAlarm=abc\n"
                                             "NoConcurrentAlarm=-5\n"
                                             "QueningSecond=12x\n"
                                             "[System Log]\n"
                                             "HouseKeepDay=0\n"
                                             "[SysLog DB Backup]\n"
                                             "HouseKeepDay=30\n"
                                             "Connections=0\n"
                                             "SpoolLimitMB=-1\n");
    EXPECT_FALSE(settings.FirstRun);
    EXPECT_EQ(settings.System.SysLogBufferSize, 8192);
    EXPECT_EQ(settings.System.SysLogTCPTimeout, 5000);
    EXPECT_EQ(settings.System.SysLogMessageIPType, 1);
    EXPECT_EQ(settings.System.WindowWidth, 800);
    EXPECT_EQ(settings.System.WindowHeight, 0);
    EXPECT_EQ(settings.Alarming.NoQueuingAlarm, 1000);
    EXPECT_EQ(settings.Alarming.NoConcurrentAlarm, 500);
    EXPECT_EQ(settings.Alarming.QueningSecond, 600);
    EXPECT_EQ(settings.SystemLog.HouseKeepDay, 7);
    EXPECT_EQ(settings.DbBackup.HouseKeepDay, 30);
    EXPECT_EQ(settings.DbBackup.Connections, 8);
    EXPECT_EQ(settings.DbBackup.SpoolLimitMB, 1024);
}

TEST(SettingsFile, ProfileSemantics) {
    TempInstallation installation;
    const EngineSettings settings = ReadFile(installation,
                                             "; written by hand\r\n"
                                             "[system]\r\n"
                                             "ISDEBUG = 7\r\n"
                                             "sysLogUdpEnable=0\r\n"
                                             "SysLogPort = 5514 \r\n"
                                             "SysLogPort=9999\r\n"
                                             "SysLogMessageIPType=2\r\n"
                                             "SysLogTCPEnable=yes\r\n"
                                             "[DATABASE]\r\n"
                                             "dbpassword=\"se=cret\"\r\n"
                                             "[System]\r\n"
                                             "InitStart=0\r\n"
                                             "[Message]\r\n"
                                             "uucp=Red\r\n"
                                             "ClockDaemonOne=Blue\r\n");
    EXPECT_TRUE(settings.System.isDebug);
    EXPECT_FALSE(settings.System.SysLogUDPEnable);
    EXPECT_EQ(settings.System.SysLogPort, "5514");
    EXPECT_EQ(settings.System.SysLogMessageIPType, 2);
    EXPECT_FALSE(settings.System.SysLogTCPEnable);
    EXPECT_EQ(settings.Database.DBPassword, "se=cret");
    // The first of two [System] sections wins, as with Windows profiles.
    EXPECT_TRUE(settings.System.InitStart);
    EXPECT_EQ(settings.MessageColours[8], "Red");
    EXPECT_EQ(settings.MessageColours[9], "Blue");
}

TEST(SettingsFile, GarbageFileLoadsWithDefaults) {
    TempInstallation installation;
    const char garbage[] = "\x01\xff[[[=\n=\n[System\nSysLogPort\n\0\0=\n";
    const EngineSettings settings =
        ReadFile(installation, std::string(garbage, sizeof garbage - 1));
    EXPECT_EQ(settings.System.SysLogPort, "514");
    EXPECT_EQ(settings.Alarming.NoConcurrentAlarm, 500);
}

TEST(SettingsFile, UnreadableFileIsLoggedAndDefaultsStay) {
    TempInstallation installation;
    testing::FixedClock clock({2009, 3, 14, 8, 0, 4});
    std::filesystem::create_directory(installation.ConfFolder() + "SysInit.ini");
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = installation.ConfFolder() + "SysInit.ini";
    ReadSettingsFile(settings);
    EXPECT_EQ(settings.System.SysLogPort, "514");
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [WARMING] ERR00203 : System init file not found. : " +
                  settings.IniFileName + ": Is a directory\r\n");
}

TEST(SettingsFile, SaveWritesEveryKeyButIsDebugAndReadsBack) {
    TempInstallation installation;
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = installation.ConfFolder() + "SysInit.ini";
    ReadSettingsFile(settings);
    settings.System.isDebug = true;
    settings.System.SysLogPort = "5140";
    settings.System.SysLogTCPEnable = true;
    settings.System.RunAsWinService = true;
    settings.Database.DBPassword = "p;a=ss";
    settings.Alarming.QueningSecond = 42;
    settings.MessageColours[23] = "Green";
    ASSERT_TRUE(SaveSettings(settings));

    const std::string text = ReadWholeFile(settings.IniFileName);
    EXPECT_EQ(text.find("isDebug"), std::string::npos);
    EXPECT_NE(text.find("runAsWinService=1\n"), std::string::npos);
    EXPECT_NE(text.find("[SysLog File Backup]\n"), std::string::npos);
    EXPECT_NE(text.find("LocalUseSeven=Green\n"), std::string::npos);

    EngineSettings reread;
    reread.AppPath = installation.AppPath();
    reread.IniFileName = settings.IniFileName;
    ReadSettingsFile(reread);
    EXPECT_FALSE(reread.System.isDebug);
    EXPECT_EQ(reread.System.SysLogPort, "5140");
    EXPECT_TRUE(reread.System.SysLogTCPEnable);
    EXPECT_TRUE(reread.System.RunAsWinService);
    EXPECT_EQ(reread.Database.DBPassword, "p;a=ss");
    EXPECT_EQ(reread.Alarming.QueningSecond, 42);
    EXPECT_EQ(reread.MessageColours[23], "Green");
    EXPECT_EQ(reread.FileBackup.FilenamePath, installation.LogFolder());
}

TEST(SettingsFile, SaveKeepsForeignLinesAndLineEnds) {
    TempInstallation installation;
    const std::string path = installation.ConfFolder() + "SysInit.ini";
    WriteWholeFile(path, "[Vendor]\r\nKeep=me\r\n[system]\r\nsyslogport=1\r\n");
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = path;
    ReadSettingsFile(settings);
    ASSERT_TRUE(SaveSettings(settings));
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.rfind("[Vendor]\r\nKeep=me\r\n[system]\r\nSysLogPort=1\r\n", 0), 0u) << text;
}

TEST(SettingsFile, FailedSaveIsLogged) {
    TempInstallation installation;
    testing::FixedClock clock({2009, 3, 14, 8, 0, 4});
    EngineSettings settings;
    settings.AppPath = installation.AppPath();
    settings.IniFileName = installation.AppPath() + "/missing/SysInit.ini";
    EXPECT_FALSE(SaveSettings(settings));
    EXPECT_NE(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log")
                  .find("[WARMING] ERR00203 : System init file not found. : "),
              std::string::npos);
}

TEST(LocalIdentity, ResolvedNameGivesDottedAddress) {
    TempInstallation installation;
    EngineSettings settings;
    DiscoverLocalIdentity(settings, HostLookup{[](std::string& name) {
                                                   name = "loghost";
                                                   return 0;
                                               },
                                               [](const std::string& name, std::string&) {
                                                   return name == "loghost" ? "10.1.2.3" : "";
                                               }});
    EXPECT_EQ(settings.HostName, "loghost");
    EXPECT_EQ(settings.LocalIP, "10.1.2.3");
}

TEST(LocalIdentity, UnresolvableNameLeavesAddressEmptyAndLogs) {
    TempInstallation installation;
    testing::FixedClock clock({2009, 3, 14, 8, 0, 4});
    EngineSettings settings;
    settings.LocalIP = "stale";
    DiscoverLocalIdentity(settings, HostLookup{[](std::string& name) {
                                                   name = "nowhere";
                                                   return 0;
                                               },
                                               [](const std::string&, std::string& error) {
                                                   error = "Name or service not known";
                                                   return std::string();
                                               }});
    EXPECT_EQ(settings.LocalIP, "");
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [WARMING] ERR00305 : Network connection fail. : Name or "
              "service not known\r\n");
}

TEST(LocalIdentity, HostNameFailuresChooseTheirMessage) {
    TempInstallation installation;
    testing::FixedClock clock({2009, 3, 14, 8, 0, 4});
    for (int error : {ENETDOWN, EINPROGRESS, EPERM}) {
        EngineSettings settings;
        DiscoverLocalIdentity(settings,
                              HostLookup{[error](std::string&) { return error; }, nullptr});
    }
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [WARMING] ERR00303 : Network is down.\r\n"
              "2009-03-14 08:00:04 [WARMING] ERR00304 : Network is in progress.\r\n");
}

TEST(LocalIdentity, ThisMachineHasAName) {
    TempInstallation installation;
    EngineSettings settings;
    DiscoverLocalIdentity(settings);
    EXPECT_FALSE(settings.HostName.empty());
}

}  // namespace
}  // namespace trevalon
