#pragma once

// The insert statements of table syslog: the receivers' statement for a message and the
// statements of its cleaned retries.

#include <string>
#include <string_view>

#include "engine/storage/row_spool.h"
#include "engine/storage/syslog_escaping.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// How the receivers' statement begins; its values follow.
inline constexpr std::string_view kSyslogInsertHead =
    "insert into syslog (syslog_datetime,ip,facility,severity,msg) values ";

// The receivers' statement for one message: "insert into syslog (syslog_datetime,ip,facility,
// severity,msg) values (" with TimeStamp, Source, FacilityName, SeverityName and the escaped
// Content in double quotes, separated by commas, then ")". The four values are escaped so that
// nothing in them ends their quotes; the Content must already be escaped (EscapeSyslogContent).
std::string BuildSyslogInsertStatement(const SyslogRecord& record, std::string_view escapedContent);

// The values part of the receivers' statement, from "(" to ")".
std::string SyslogInsertValues(std::string_view time, std::string_view source,
                               std::string_view facility, std::string_view severity,
                               std::string_view escapedMessage);

// The statement of a retry, with the row's message cleaned the given way.
std::string CleanedSyslogInsertStatement(const HeldRow& row, MessageCleaning mode);

}  // namespace trevalon
