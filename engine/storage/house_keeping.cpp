#include "engine/storage/house_keeping.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "engine/storage/syslog_text_file.h"
#include "foundation/engine_settings.h"

namespace trevalon {
namespace {

// Loading corrects every HouseKeepDay to at least 1; a value that bypassed the correction
// must still never reach today's files or, when negative, every row of the table.
constexpr int kDefaultHouseKeepDay = 7;

int SafeHouseKeepDay(int days) {
    return days >= 1 ? days : kDefaultHouseKeepDay;
}

void RemoveFileQuietly(const std::string& fileName) {
    std::error_code ignored;
    std::filesystem::remove(fileName, ignored);
}

}  // namespace

LocalTime DaysBefore(const LocalTime& today, int days) {
    using namespace std::chrono;
    const year_month_day date{year{today.year} / month{static_cast<unsigned>(today.month)} /
                              day{static_cast<unsigned>(today.day)}};
    const sys_days shifted = sys_days{date} - std::chrono::days{days};
    const year_month_day result{shifted};
    LocalTime local;
    local.year = static_cast<int>(result.year());
    local.month = static_cast<int>(static_cast<unsigned>(result.month()));
    local.day = static_cast<int>(static_cast<unsigned>(result.day()));
    local.weekday = static_cast<int>(weekday{shifted}.c_encoding());
    return local;
}

std::string DeleteOldSyslogRowsStatement(const LocalTime& cutOffDay) {
    return "delete from syslog where syslog_datetime<\"" + FormatDate(cutOffDay) + " 00:00:00\"";
}

void HouseKeep(DatabaseConnection& connection, const EngineSettings& settings) {
    const LocalTime today = LocalNow();

    const std::string systemLogPrefix =
        settings.SystemLog.Filename.empty() ? std::string("system_") : settings.SystemLog.Filename;
    RemoveFileQuietly(
        settings.LogFolder + systemLogPrefix +
        FormatDate(DaysBefore(today, SafeHouseKeepDay(settings.SystemLog.HouseKeepDay))) + ".log");

    RemoveFileQuietly(SyslogFileName(
        settings, DaysBefore(today, SafeHouseKeepDay(settings.FileBackup.HouseKeepDay))));

    connection.Execute(DeleteOldSyslogRowsStatement(
        DaysBefore(today, SafeHouseKeepDay(settings.DbBackup.HouseKeepDay))));
}

}  // namespace trevalon
