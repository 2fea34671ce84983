#pragma once

#include <string>

#include "engine/storage/database_client.h"
#include "foundation/clock.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// The day that lies `days` calendar days before `today` (time of day ignored).
LocalTime DaysBefore(const LocalTime& today, int days);

// "delete from syslog where syslog_datetime<\"yyyy-MM-dd 00:00:00\"" for the cut-off day.
std::string DeleteOldSyslogRowsStatement(const LocalTime& cutOffDay);

// The hourly housekeeping, on the thread that owns `connection`, in this order: the diagnostic
// log file and the syslog text file dated exactly HouseKeepDay days back (of `settings`) are
// deleted (a missing file or a failed deletion is ignored), then the rows of table syslog older
// than the start of that day. An error of the row deletion is raised to the caller
// (DatabaseError).
void HouseKeep(DatabaseConnection& connection, const EngineSettings& settings);

}  // namespace trevalon
