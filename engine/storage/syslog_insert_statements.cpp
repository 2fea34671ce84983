#include "engine/storage/syslog_insert_statements.h"

#include "engine/storage/database_client.h"

namespace trevalon {
namespace {

constexpr std::string_view kRetryHead =
    "INSERT INTO syslog (syslog_datetime,ip,facility,severity,msg) VALUES ";

// The four values are escaped; the message comes quoted already. Built in one buffer: every
// received message makes one.
std::string InsertStatement(std::string_view head, std::string_view time, std::string_view source,
                            std::string_view facility, std::string_view severity,
                            std::string_view messageQuote, std::string_view message) {
    std::string statement;
    statement.reserve(head.size() + time.size() + source.size() + facility.size() +
                      severity.size() + message.size() + 16 + source.size() / 4);
    statement += head;
    statement += '(';
    AppendSqlQuoted(statement, time);
    statement += ',';
    AppendSqlQuoted(statement, source);
    statement += ',';
    AppendSqlQuoted(statement, facility);
    statement += ',';
    AppendSqlQuoted(statement, severity);
    statement += ',';
    statement += messageQuote;
    statement += message;
    statement += messageQuote;
    statement += ')';
    return statement;
}

}  // namespace

std::string BuildSyslogInsertStatement(const SyslogRecord& record,
                                       std::string_view escapedContent) {
    return InsertStatement(kSyslogInsertHead, record.TimeStamp, record.Source, record.FacilityName,
                           record.SeverityName, "\"", escapedContent);
}

std::string SyslogInsertValues(std::string_view time, std::string_view source,
                               std::string_view facility, std::string_view severity,
                               std::string_view escapedMessage) {
    return InsertStatement({}, time, source, facility, severity, "\"", escapedMessage);
}

std::string CleanedSyslogInsertStatement(const HeldRow& row, MessageCleaning mode) {
    return InsertStatement(kRetryHead, row.time, row.source, row.facility, row.severity, {},
                           SqlQuoted(CleanSyslogMessage(row.message, mode)));
}

}  // namespace trevalon
