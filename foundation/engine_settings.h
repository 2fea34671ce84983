#pragma once

#include <array>
#include <string>

#include "foundation/published_value.h"

namespace trevalon {

inline constexpr int kFacilityCount = 24;

// SysInit.ini after defaults and corrections, plus what start-up learns about the machine.
struct EngineSettings {
    struct SystemSection {
        bool isDebug = false;
        bool InitStart = true;
        bool SysLogUDPEnable = true;
        std::string SysLogPort = "514";
        int SysLogBufferSize = 8192;
        int SysLogMessageIPType = 1;
        bool SysLogTCPEnable = false;
        std::string SysLogTCPPort = "1468";
        int SysLogTCPTimeout = 5000;
        // Keys only the manager reads and writes.
        int WindowWidth = 800;
        int WindowHeight = 600;
        bool ShowFunctionBar = true;
        bool RunAsService = false;
        bool RunAsWinService = false;
        bool ShowWindowAlarmLog = true;
        int ShowLogItem = 100;
        // Where the manager asks for the newest release, without "http://"; empty: never.
        std::string VersionCheckURL = "www.trevalon.invalid/version.xml";
    };
    struct DatabaseSection {
        std::string Host = "localhost";
        std::string Port = "3306";
        std::string DBUsername = "root";
        std::string DBPassword;
    };
    struct SystemLogSection {
        std::string Filename = "system_";
        int HouseKeepDay = 7;
    };
    struct FileBackupSection {
        bool Enable = true;
        std::string FilenamePath;  // defaults to LogFolder; used as a plain prefix
        std::string Filename = "syslog_";
        int HouseKeepDay = 7;
    };
    struct DbBackupSection {
        bool Enable = true;
        std::string Type = "MySQL";
        int HouseKeepDay = 7;
        // Open connections the row inserts share, so a burst never exceeds the server's limit.
        int Connections = 8;
        // Megabytes the spool of rows held while the server cannot be reached may grow to.
        int SpoolLimitMB = 1024;
    };
    struct AlarmingSection {
        int NoConcurrentAlarm = 500;
        int NoQueuingAlarm = 1000;
        int QueningSecond = 600;
    };

    SystemSection System;
    DatabaseSection Database;
    SystemLogSection SystemLog;
    FileBackupSection FileBackup;
    DbBackupSection DbBackup;
    AlarmingSection Alarming;
    // Section "Message": the live list's colour per facility, indexed by wire code.
    std::array<std::string, kFacilityCount> MessageColours;

    std::string AppPath;
    std::string IniFileName;
    std::string LogFolder;
    std::string ServicePath;
    bool FirstRun = false;
    std::string HostName;
    std::string LocalIP;

    EngineSettings();
};

// The settings an engine runs on. Readers take the snapshot they need and keep it for the work at
// hand (one message, one delivery); a change publishes a whole new snapshot.
using PublishedSettings = PublishedValue<EngineSettings>;
using SettingsSnapshot = PublishedSettings::Snapshot;

}  // namespace trevalon
