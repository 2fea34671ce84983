#include "engine/storage/schema_statements.h"

#include <utility>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {
namespace {

struct Column {
    std::string Name;
    std::string Definition;
};

constexpr std::string_view kRepeatSecondsDefinition = "INT NOT NULL DEFAULT 0";
constexpr std::string_view kIdColumn = "INTEGER NOT NULL AUTO_INCREMENT, PRIMARY KEY (id)";

std::string CreateTableStatement(std::string_view database, std::string_view table,
                                 const std::vector<Column>& columns) {
    std::string statement = "create table ";
    statement += database;
    statement += '.';
    statement += table;
    statement += " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) {
            statement += ',';
        }
        statement += columns[i].Name;
        statement += ' ';
        statement += columns[i].Definition;
    }
    statement += ") CHARACTER SET UTF8;";
    return statement;
}

TableSchema Table(std::string_view database, std::string name, const std::vector<Column>& columns,
                  std::vector<std::string> indexes = {}) {
    TableSchema table{std::move(name), {}};
    table.Statements.push_back(CreateTableStatement(database, table.Name, columns));
    for (std::string& index : indexes) {
        table.Statements.push_back(std::move(index));
    }
    return table;
}

std::vector<Column> AlarmMethodColumns() {
    return {
        {"id", std::string(kIdColumn)},
        {"type", "VARCHAR(20) NOT NULL"},
        {"enable", "Integer NOT NULL DEFAULT 0"},
        {"ip", "VARCHAR(500) NOT NULL"},
        {"port", "INTEGER NOT NULL"},
        {"authenticate", "Integer NOT NULL DEFAULT 0"},
        {"username", "VARCHAR(50)"},
        {"password", "VARCHAR(50)"},
        {"proxy_ip", "VARCHAR(500)"},
        {"proxy_port", "INTEGER"},
        {"proxy_username", "VARCHAR(50)"},
        {"proxy_password", "VARCHAR(50)"},
        {"field_msisdn", "VARCHAR(50)"},
        {"field_message", "VARCHAR(50)"},
        {"url_method", "VARCHAR(10)"},
        {"smtp_mail_agent", "VARCHAR(100)"},
        {"smtp_from_address", "VARCHAR(100)"},
        {"sms_oa", "VARCHAR(50)"},
        {"sms_version", "INTEGER NOT NULL DEFAULT 34"},
        {"sms_system_type", "VARCHAR(50)"},
        {"sms_ton", "INTEGER NOT NULL DEFAULT 1"},
        {"sms_npi", "INTEGER NOT NULL DEFAULT 1"},
        {"sms_dest_ton", "INTEGER NOT NULL DEFAULT 1"},
        {"sms_dest_npi", "INTEGER NOT NULL DEFAULT 1"},
        {"sms_orig_ton", "INTEGER NOT NULL DEFAULT 1"},
        {"sms_orig_npi", "INTEGER NOT NULL DEFAULT 1"},
        {"snmp_trap_port", "Integer NOT NULL DEFAULT 0"},
        {"snmp_local_engine_id", "VARCHAR(100)"},
        {"snmp_localhost", "VARCHAR(100)"},
        {"timeout", "INTEGER NOT NULL DEFAULT 5000"},
        {"read_timeout", "INTEGER NOT NULL DEFAULT 5000"},
        {"retry", "INTEGER NOT NULL DEFAULT 0"},
    };
}

std::vector<Column> FilteringColumns() {
    std::vector<Column> columns = {{"id", std::string(kIdColumn)}, {"ip", "VARCHAR(500)"}};
    for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
        columns.push_back({FacilityRuleColumn(facility), "VARCHAR(1) NOT NULL"});
    }
    for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
        columns.push_back({SeverityRuleColumn(severity), "VARCHAR(1) NOT NULL"});
    }
    for (const char* alarm : {"alarm_email", "alarm_smpp", "alarm_httpsms", "alarm_syslog",
                              "alarm_snmp", "alarm_snpp"}) {
        columns.push_back({alarm, "VARCHAR(1) NOT NULL DEFAULT \"n\""});
    }
    columns.push_back({"alarm_snmp_version", "INTEGER NOT NULL DEFAULT 1"});
    columns.push_back({"alarm_snmp_trap_oid", "VARCHAR(150)"});
    columns.push_back({"alarm_snmp_trap_community", "VARCHAR(150)"});
    columns.push_back({"alarm_snmp_trap_enterprise", "VARCHAR(150)"});
    columns.push_back({"alarm_snmp_trap_username", "VARCHAR(50)"});
    columns.push_back({"alarm_snmp_trap_password", "VARCHAR(50)"});
    columns.push_back({std::string(kRepeatSecondsColumn), std::string(kRepeatSecondsDefinition)});
    return columns;
}

TableSchema SchedulingTable(std::string_view database) {
    std::vector<Column> columns = {{"schedule_time", "integer NOT NULL DEFAULT 0"}};
    for (const char* day : {"mon", "tue", "wed", "thu", "fri", "sat", "sun"}) {
        columns.push_back({day, "varchar(3) NOT NULL DEFAULT \"yes\""});
    }
    TableSchema table = Table(database, "scheduling", columns,
                              {"CREATE INDEX idx_scheduling_time ON scheduling(schedule_time);"});
    // Reception is on at every hour of every day until the operator changes it.
    for (int hour = 0; hour < 24; ++hour) {
        std::string insert =
            "insert into scheduling (schedule_time,mon,tue,wed,thu,fri,sat,sun) values (";
        insert += std::to_string(hour);
        for (int day = 0; day < 7; ++day) {
            insert += ",\"yes\"";
        }
        insert += ')';
        table.Statements.push_back(std::move(insert));
    }
    return table;
}

}  // namespace

std::vector<TableSchema> SchemaTables(std::string_view database) {
    std::vector<TableSchema> tables;
    tables.push_back(Table(database, "alarm_method", AlarmMethodColumns()));
    tables.push_back(Table(database, "contact_person",
                           {{"id", std::string(kIdColumn)},
                            {"name", "VARCHAR(100)"},
                            {"details", "VARCHAR(150)"},
                            {"email", "VARCHAR(100)"},
                            {"sms", "VARCHAR(100)"},
                            {"pager_id", "VARCHAR(100)"}}));
    tables.push_back(Table(database, "contact_group",
                           {{"id", std::string(kIdColumn)}, {"name", "VARCHAR(50)"}}));
    tables.push_back(Table(
        database, "contact_person_group",
        {{"contact_person_id", "INTEGER NOT NULL"}, {"contact_group_id", "INTEGER NOT NULL"}},
        {"CREATE INDEX idx_contact_person_group_pid ON contact_person_group(contact_person_id);",
         "CREATE INDEX idx_contact_person_group_gid ON contact_person_group(contact_group_id);"}));
    tables.push_back(SchedulingTable(database));
    tables.push_back(Table(database, "syslog",
                           {{"syslog_datetime", "DATETIME NOT NULL"},
                            {"ip", "VARCHAR(100) NOT NULL"},
                            {"facility", "VARCHAR(20) NOT NULL"},
                            {"severity", "VARCHAR(20) NOT NULL"},
                            {"msg", "MEDIUMTEXT"}},
                           {"CREATE INDEX idx_syslog_datetime ON syslog(syslog_datetime);",
                            "CREATE INDEX idx_syslog_ip ON syslog(ip(100));",
                            "CREATE INDEX idx_syslog_facility ON syslog(facility);",
                            "CREATE INDEX idx_syslog_severity ON syslog(severity);"}));
    tables.push_back(Table(database, "filtering", FilteringColumns(),
                           {"CREATE INDEX idx_filtering_ip ON filtering(ip(50));"}));
    tables.push_back(
        Table(database, "filtering_contact",
              {{"filtering_id", "INTEGER"}, {"contact_person_id", "INTEGER"}},
              {"CREATE INDEX idx_filtering_contact_fid ON filtering_contact(filtering_id);",
               "CREATE INDEX idx_filtering_contact_pid ON filtering_contact(contact_person_id);"}));
    tables.push_back(Table(database, "alarm_method_extra_fields",
                           {{"field_name", "VARCHAR(50)"}, {"field_value", "VARCHAR(50)"}}));
    return tables;
}

std::string CreateDatabaseStatement(std::string_view database) {
    return "CREATE DATABASE IF NOT EXISTS " + std::string(database) + " CHARACTER SET UTF8;";
}

std::string DescribeSyslogStatement(std::string_view database) {
    return "desc " + std::string(database) + ".syslog";
}

std::string UpgradeSyslogMessageStatement(std::string_view database) {
    return "ALTER TABLE " + std::string(database) + ".syslog MODIFY msg MEDIUMTEXT;";
}

std::string DescribeFilteringStatement(std::string_view database) {
    return "desc " + std::string(database) + ".filtering";
}

std::string AddRepeatSecondsStatement(std::string_view database) {
    return "ALTER TABLE " + std::string(database) + ".filtering ADD COLUMN " +
           std::string(kRepeatSecondsColumn) + " " + std::string(kRepeatSecondsDefinition) + ";";
}

std::vector<IndexSchema> SyslogHistoryIndexes() {
    std::vector<IndexSchema> indexes;
    for (const char* column : {"ip", "facility", "severity"}) {
        const std::string name = std::string("idx_syslog_") + column + "_datetime";
        indexes.push_back(
            {name, "CREATE INDEX " + name + " ON syslog(" + column + ", syslog_datetime);"});
    }
    return indexes;
}

std::string ShowSyslogIndexesStatement(std::string_view database) {
    return "show index from " + std::string(database) + ".syslog";
}

}  // namespace trevalon
