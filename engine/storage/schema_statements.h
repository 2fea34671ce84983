#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

inline constexpr std::string_view kDefaultDatabaseName = "trevalon";
// The database a server-level connection opens, to create the system's own database.
inline constexpr std::string_view kServerDatabaseName = "mysql";
inline constexpr std::string_view kShowTablesStatement = "show tables";

// One table of the schema with everything that creates it: the create statement, then its
// indexes, then its seed rows.
struct TableSchema {
    std::string Name;
    std::vector<std::string> Statements;
};

// The nine tables in the order they are created, for the named database.
std::vector<TableSchema> SchemaTables(std::string_view database);

std::string CreateDatabaseStatement(std::string_view database);
std::string DescribeSyslogStatement(std::string_view database);
// Older schemas kept messages in a TEXT column, too small for long messages.
std::string UpgradeSyslogMessageStatement(std::string_view database);

// Rules made before repeat limits existed get the column, every rule alarming each match.
inline constexpr std::string_view kRepeatSecondsColumn = "alarm_repeat_seconds";
std::string DescribeFilteringStatement(std::string_view database);
std::string AddRepeatSecondsStatement(std::string_view database);

// The indexes the history charts read instead of every row: the rows of one source, facility
// or severity in time order. Added to new and existing syslog tables alike, each when missing.
struct IndexSchema {
    std::string Name;
    std::string Statement;
};
std::vector<IndexSchema> SyslogHistoryIndexes();
// Lists the syslog table's indexes, one row per indexed column, the name in Key_name.
std::string ShowSyslogIndexesStatement(std::string_view database);

}  // namespace trevalon
