#include "foundation/settings_file.h"

#include <exception>
#include <string>

#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/local_identity.h"
#include "foundation/syslog_vocabulary.h"
#include "platform/ini_file.h"

namespace trevalon {
namespace {

enum class Correction {
    kNone,
    kPositive,     // <= 0 gives the default
    kNonNegative,  // < 0 gives the default
    kBufferSize,   // below 8192 gives 8192
};

int Corrected(int value, int fallback, Correction correction) {
    switch (correction) {
        case Correction::kPositive:
            return value <= 0 ? fallback : value;
        case Correction::kNonNegative:
            return value < 0 ? fallback : value;
        case Correction::kBufferSize:
            return value < 8192 ? 8192 : value;
        case Correction::kNone:
            break;
    }
    return value;
}

struct Reader {
    const platform::IniFile& ini;
    void Text(const char* section, const char* key, std::string& field) const {
        field = ini.ReadString(section, key, field);
    }
    void Integer(const char* section, const char* key, int& field, Correction correction) const {
        field = Corrected(ini.ReadInteger(section, key, field), field, correction);
    }
    void Boolean(const char* section, const char* key, bool& field) const {
        field = ini.ReadBool(section, key, field);
    }
};

struct Writer {
    platform::IniFile& ini;
    void Text(const char* section, const char* key, const std::string& field) const {
        ini.WriteString(section, key, field);
    }
    void Integer(const char* section, const char* key, int field, Correction) const {
        ini.WriteInteger(section, key, field);
    }
    void Boolean(const char* section, const char* key, bool field) const {
        ini.WriteBool(section, key, field);
    }
};

// Every key in file order. The settings start out holding the defaults, so a reader falls back
// to the field's own value.
template <typename Settings, typename Visitor>
void VisitKeys(Settings& s, const Visitor& v) {
    v.Boolean("System", "InitStart", s.System.InitStart);
    v.Boolean("System", "SysLogUDPEnable", s.System.SysLogUDPEnable);
    v.Text("System", "SysLogPort", s.System.SysLogPort);
    v.Integer("System", "SysLogBufferSize", s.System.SysLogBufferSize, Correction::kBufferSize);
    v.Integer("System", "SysLogMessageIPType", s.System.SysLogMessageIPType,
              Correction::kNonNegative);
    v.Boolean("System", "SysLogTCPEnable", s.System.SysLogTCPEnable);
    v.Text("System", "SysLogTCPPort", s.System.SysLogTCPPort);
    v.Integer("System", "SysLogTCPTimeout", s.System.SysLogTCPTimeout, Correction::kPositive);
    v.Text("Database", "Host", s.Database.Host);
    v.Text("Database", "Port", s.Database.Port);
    v.Text("Database", "DBUsername", s.Database.DBUsername);
    v.Text("Database", "DBPassword", s.Database.DBPassword);
    v.Text("System Log", "Filename", s.SystemLog.Filename);
    v.Integer("System Log", "HouseKeepDay", s.SystemLog.HouseKeepDay, Correction::kPositive);
    v.Boolean("SysLog File Backup", "Enable", s.FileBackup.Enable);
    v.Text("SysLog File Backup", "FilenamePath", s.FileBackup.FilenamePath);
    v.Text("SysLog File Backup", "Filename", s.FileBackup.Filename);
    v.Integer("SysLog File Backup", "HouseKeepDay", s.FileBackup.HouseKeepDay,
              Correction::kPositive);
    v.Boolean("SysLog DB Backup", "Enable", s.DbBackup.Enable);
    v.Text("SysLog DB Backup", "Type", s.DbBackup.Type);
    v.Integer("SysLog DB Backup", "HouseKeepDay", s.DbBackup.HouseKeepDay, Correction::kPositive);
    v.Integer("SysLog DB Backup", "Connections", s.DbBackup.Connections, Correction::kPositive);
    v.Integer("SysLog DB Backup", "SpoolLimitMB", s.DbBackup.SpoolLimitMB, Correction::kPositive);
    v.Integer("Alarming", "NoConcurrentAlarm", s.Alarming.NoConcurrentAlarm, Correction::kPositive);
    v.Integer("Alarming", "NoQueuingAlarm", s.Alarming.NoQueuingAlarm, Correction::kPositive);
    v.Integer("Alarming", "QueningSecond", s.Alarming.QueningSecond, Correction::kPositive);
    v.Integer("System", "WindowWidth", s.System.WindowWidth, Correction::kNonNegative);
    v.Integer("System", "WindowHeight", s.System.WindowHeight, Correction::kNonNegative);
    v.Boolean("System", "ShowFunctionBar", s.System.ShowFunctionBar);
    v.Boolean("System", "RunAsService", s.System.RunAsService);
    v.Boolean("System", "runAsWinService", s.System.RunAsWinService);
    v.Boolean("System", "ShowWindowAlarmLog", s.System.ShowWindowAlarmLog);
    v.Integer("System", "ShowLogItem", s.System.ShowLogItem, Correction::kNonNegative);
    v.Text("System", "VersionCheckURL", s.System.VersionCheckURL);
    for (std::size_t wireCode = 0; wireCode < kFacilitiesInWireOrder.size(); ++wireCode) {
        v.Text("Message", FacilityColourKey(kFacilitiesInWireOrder[wireCode]).c_str(),
               s.MessageColours[wireCode]);
    }
}

void ResetFileValues(EngineSettings& settings) {
    const EngineSettings defaults;
    settings.System = defaults.System;
    settings.Database = defaults.Database;
    settings.SystemLog = defaults.SystemLog;
    settings.FileBackup = defaults.FileBackup;
    settings.FileBackup.FilenamePath = InstallationFolder(settings.AppPath, "log");
    settings.DbBackup = defaults.DbBackup;
    settings.Alarming = defaults.Alarming;
    settings.MessageColours = defaults.MessageColours;
}

}  // namespace

void ReadSettingsFile(EngineSettings& settings) {
    ResetFileValues(settings);
    try {
        const platform::IniFile ini(settings.IniFileName);
        settings.FirstRun = !ini.Existed();
        const Reader reader{ini};
        reader.Boolean("System", "isDebug", settings.System.isDebug);
        VisitKeys(settings, reader);
    } catch (const std::exception& error) {
        WriteDiagnostic(WithErrorText(catalogue::kSystemInitFileNotFound, error.what()),
                        kLevelWarning);
    }
}

void LoadSettings(EngineSettings& settings) {
    ReadSettingsFile(settings);
    DiscoverLocalIdentity(settings);
}

bool SaveSettings(const EngineSettings& settings) {
    try {
        platform::IniFile ini(settings.IniFileName);
        VisitKeys(settings, Writer{ini});
        ini.Save();
        return true;
    } catch (const std::exception& error) {
        WriteDiagnostic(WithErrorText(catalogue::kSystemInitFileNotFound, error.what()),
                        kLevelWarning);
        return false;
    }
}

}  // namespace trevalon
