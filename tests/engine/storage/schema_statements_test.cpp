#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/schema_statements.h"

namespace trevalon {
namespace {

std::vector<std::string> StatementsOf(const std::vector<TableSchema>& tables,
                                      const std::string& name) {
    for (const TableSchema& table : tables) {
        if (table.Name == name) {
            return table.Statements;
        }
    }
    ADD_FAILURE() << "no table " << name;
    return {};
}

TEST(SchemaStatements, TablesComeInCreationOrder) {
    std::vector<std::string> names;
    for (const TableSchema& table : SchemaTables("trevalon")) {
        names.push_back(table.Name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"alarm_method", "contact_person", "contact_group",
                                        "contact_person_group", "scheduling", "syslog", "filtering",
                                        "filtering_contact", "alarm_method_extra_fields"}));
}

TEST(SchemaStatements, AlarmMethodAndContactTablesTextForText) {
    const std::vector<TableSchema> tables = SchemaTables("trevalon");
    EXPECT_EQ(
        StatementsOf(tables, "alarm_method"),
        std::vector<std::string>{
            "create table trevalon.alarm_method (id INTEGER NOT NULL AUTO_INCREMENT, PRIMARY KEY "
            "(id),type VARCHAR(20) NOT NULL,enable Integer NOT NULL DEFAULT 0,ip VARCHAR(500) NOT "
            "NULL,port INTEGER NOT NULL,authenticate Integer NOT NULL DEFAULT 0,username "
            "VARCHAR(50),password VARCHAR(50),proxy_ip VARCHAR(500),proxy_port "
            "INTEGER,proxy_username VARCHAR(50),proxy_password VARCHAR(50),field_msisdn "
            "VARCHAR(50),field_message VARCHAR(50),url_method VARCHAR(10),smtp_mail_agent "
            "VARCHAR(100),smtp_from_address VARCHAR(100),sms_oa VARCHAR(50),sms_version INTEGER "
            "NOT NULL DEFAULT 34,sms_system_type VARCHAR(50),sms_ton INTEGER NOT NULL DEFAULT "
            "1,sms_npi INTEGER NOT NULL DEFAULT 1,sms_dest_ton INTEGER NOT NULL DEFAULT "
            "1,sms_dest_npi INTEGER NOT NULL DEFAULT 1,sms_orig_ton INTEGER NOT NULL DEFAULT "
            "1,sms_orig_npi INTEGER NOT NULL DEFAULT 1,snmp_trap_port Integer NOT NULL DEFAULT "
            "0,snmp_local_engine_id VARCHAR(100),snmp_localhost VARCHAR(100),timeout INTEGER NOT "
            "NULL DEFAULT 5000,read_timeout INTEGER NOT NULL DEFAULT 5000,retry INTEGER NOT NULL "
            "DEFAULT 0) CHARACTER SET UTF8;"});
    EXPECT_EQ(StatementsOf(tables, "contact_person"),
              std::vector<std::string>{
                  "create table trevalon.contact_person (id INTEGER NOT NULL AUTO_INCREMENT, "
                  "PRIMARY KEY (id),name VARCHAR(100),details VARCHAR(150),email "
                  "VARCHAR(100),sms VARCHAR(100),pager_id VARCHAR(100)) CHARACTER SET UTF8;"});
    EXPECT_EQ(StatementsOf(tables, "contact_group"),
              std::vector<std::string>{
                  "create table trevalon.contact_group (id INTEGER NOT NULL AUTO_INCREMENT, "
                  "PRIMARY KEY (id),name VARCHAR(50)) CHARACTER SET UTF8;"});
    EXPECT_EQ(StatementsOf(tables, "contact_person_group"),
              (std::vector<std::string>{
                  "create table trevalon.contact_person_group (contact_person_id INTEGER NOT "
                  "NULL,contact_group_id INTEGER NOT NULL) CHARACTER SET UTF8;",
                  "CREATE INDEX idx_contact_person_group_pid ON "
                  "contact_person_group(contact_person_id);",
                  "CREATE INDEX idx_contact_person_group_gid ON "
                  "contact_person_group(contact_group_id);"}));
    EXPECT_EQ(
        StatementsOf(tables, "alarm_method_extra_fields"),
        std::vector<std::string>{"create table trevalon.alarm_method_extra_fields (field_name "
                                 "VARCHAR(50),field_value VARCHAR(50)) CHARACTER SET UTF8;"});
}

TEST(SchemaStatements, SchedulingWithIndexAndTwentyFourSeedRows) {
    const std::vector<std::string> statements =
        StatementsOf(SchemaTables("trevalon"), "scheduling");
    ASSERT_EQ(statements.size(), 2u + 24u);
    EXPECT_EQ(statements[0],
              "create table trevalon.scheduling (schedule_time integer NOT NULL DEFAULT 0,mon "
              "varchar(3) NOT NULL DEFAULT \"yes\",tue varchar(3) NOT NULL DEFAULT \"yes\",wed "
              "varchar(3) NOT NULL DEFAULT \"yes\",thu varchar(3) NOT NULL DEFAULT \"yes\",fri "
              "varchar(3) NOT NULL DEFAULT \"yes\",sat varchar(3) NOT NULL DEFAULT \"yes\",sun "
              "varchar(3) NOT NULL DEFAULT \"yes\") CHARACTER SET UTF8;");
    EXPECT_EQ(statements[1], "CREATE INDEX idx_scheduling_time ON scheduling(schedule_time);");
    EXPECT_EQ(statements[2],
              "insert into scheduling (schedule_time,mon,tue,wed,thu,fri,sat,sun) values "
              "(0,\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\")");
    EXPECT_EQ(statements[12],
              "insert into scheduling (schedule_time,mon,tue,wed,thu,fri,sat,sun) values "
              "(10,\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\")");
    EXPECT_EQ(statements[25],
              "insert into scheduling (schedule_time,mon,tue,wed,thu,fri,sat,sun) values "
              "(23,\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\")");
}

TEST(SchemaStatements, SyslogAndFilteringTablesTextForText) {
    const std::vector<TableSchema> tables = SchemaTables("trevalon");
    EXPECT_EQ(StatementsOf(tables, "syslog"),
              (std::vector<std::string>{
                  "create table trevalon.syslog (syslog_datetime DATETIME NOT NULL,ip "
                  "VARCHAR(100) NOT NULL,facility VARCHAR(20) NOT NULL,severity VARCHAR(20) NOT "
                  "NULL,msg MEDIUMTEXT) CHARACTER SET UTF8;",
                  "CREATE INDEX idx_syslog_datetime ON syslog(syslog_datetime);",
                  "CREATE INDEX idx_syslog_ip ON syslog(ip(100));",
                  "CREATE INDEX idx_syslog_facility ON syslog(facility);",
                  "CREATE INDEX idx_syslog_severity ON syslog(severity);"}));
    EXPECT_EQ(
        StatementsOf(tables, "filtering"),
        (std::vector<std::string>{
            "create table trevalon.filtering (id INTEGER NOT NULL AUTO_INCREMENT, PRIMARY KEY "
            "(id),ip VARCHAR(500),facility_sfKernel VARCHAR(1) NOT NULL,facility_sfUserLevel "
            "VARCHAR(1) NOT NULL,facility_sfMailSystem VARCHAR(1) NOT NULL,facility_sfSystemDaemon "
            "VARCHAR(1) NOT NULL,facility_sfSecurityOne VARCHAR(1) NOT "
            "NULL,facility_sfSysLogInternal VARCHAR(1) NOT NULL,facility_sfLPR VARCHAR(1) NOT "
            "NULL,facility_sfNNTP VARCHAR(1) NOT NULL,facility_sfUUCP VARCHAR(1) NOT "
            "NULL,facility_sfClockDaemonOne VARCHAR(1) NOT NULL,facility_sfSecurityTwo VARCHAR(1) "
            "NOT NULL,facility_sfFTPDaemon VARCHAR(1) NOT NULL,facility_sfNTP VARCHAR(1) NOT "
            "NULL,facility_sfLogAudit VARCHAR(1) NOT NULL,facility_sfLogAlert VARCHAR(1) NOT "
            "NULL,facility_sfClockDaemonTwo VARCHAR(1) NOT NULL,facility_sfLocalUseZero "
            "VARCHAR(1) NOT NULL,facility_sfLocalUseOne VARCHAR(1) NOT "
            "NULL,facility_sfLocalUseTwo VARCHAR(1) NOT NULL,facility_sfLocalUseThree VARCHAR(1) "
            "NOT NULL,facility_sfLocalUseFour VARCHAR(1) NOT NULL,facility_sfLocalUseFive "
            "VARCHAR(1) NOT NULL,facility_sfLocalUseSix VARCHAR(1) NOT "
            "NULL,facility_sfLocalUseSeven VARCHAR(1) NOT NULL,severity_slEmergency VARCHAR(1) "
            "NOT NULL,severity_slAlert VARCHAR(1) NOT NULL,severity_slCritical VARCHAR(1) NOT "
            "NULL,severity_slError VARCHAR(1) NOT NULL,severity_slWarning VARCHAR(1) NOT "
            "NULL,severity_slNotice VARCHAR(1) NOT NULL,severity_slInformational VARCHAR(1) NOT "
            "NULL,severity_slDebug VARCHAR(1) NOT NULL,alarm_email VARCHAR(1) NOT NULL DEFAULT "
            "\"n\",alarm_smpp VARCHAR(1) NOT NULL DEFAULT \"n\",alarm_httpsms VARCHAR(1) NOT NULL "
            "DEFAULT \"n\",alarm_syslog VARCHAR(1) NOT NULL DEFAULT \"n\",alarm_snmp VARCHAR(1) "
            "NOT NULL DEFAULT \"n\",alarm_snpp VARCHAR(1) NOT NULL DEFAULT "
            "\"n\",alarm_snmp_version INTEGER NOT NULL DEFAULT 1,alarm_snmp_trap_oid "
            "VARCHAR(150),alarm_snmp_trap_community VARCHAR(150),alarm_snmp_trap_enterprise "
            "VARCHAR(150),alarm_snmp_trap_username VARCHAR(50),alarm_snmp_trap_password "
            "VARCHAR(50),alarm_repeat_seconds INT NOT NULL DEFAULT 0) CHARACTER SET UTF8;",
            "CREATE INDEX idx_filtering_ip ON filtering(ip(50));"}));
    EXPECT_EQ(StatementsOf(tables, "filtering_contact"),
              (std::vector<std::string>{
                  "create table trevalon.filtering_contact (filtering_id "
                  "INTEGER,contact_person_id INTEGER) CHARACTER SET UTF8;",
                  "CREATE INDEX idx_filtering_contact_fid ON filtering_contact(filtering_id);",
                  "CREATE INDEX idx_filtering_contact_pid ON "
                  "filtering_contact(contact_person_id);"}));
}

TEST(SchemaStatements, DatabaseStatementsTextForText) {
    EXPECT_EQ(CreateDatabaseStatement("trevalon"),
              "CREATE DATABASE IF NOT EXISTS trevalon CHARACTER SET UTF8;");
    EXPECT_EQ(DescribeSyslogStatement("trevalon"), "desc trevalon.syslog");
    EXPECT_EQ(UpgradeSyslogMessageStatement("trevalon"),
              "ALTER TABLE trevalon.syslog MODIFY msg MEDIUMTEXT;");
    EXPECT_EQ(DescribeFilteringStatement("trevalon"), "desc trevalon.filtering");
    EXPECT_EQ(AddRepeatSecondsStatement("trevalon"),
              "ALTER TABLE trevalon.filtering ADD COLUMN alarm_repeat_seconds INT NOT NULL "
              "DEFAULT 0;");
    EXPECT_EQ(kShowTablesStatement, "show tables");
    EXPECT_EQ(ShowSyslogIndexesStatement("trevalon"), "show index from trevalon.syslog");
    std::vector<std::string> indexes;
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        indexes.push_back(index.Name + " " + index.Statement);
    }
    EXPECT_EQ(indexes,
              (std::vector<std::string>{
                  "idx_syslog_ip_datetime CREATE INDEX idx_syslog_ip_datetime ON syslog(ip, "
                  "syslog_datetime);",
                  "idx_syslog_facility_datetime CREATE INDEX idx_syslog_facility_datetime ON "
                  "syslog(facility, syslog_datetime);",
                  "idx_syslog_severity_datetime CREATE INDEX idx_syslog_severity_datetime ON "
                  "syslog(severity, syslog_datetime);"}));
}

TEST(SchemaStatements, AnotherDatabaseNameReplacesOnlyTheDatabase) {
    const std::vector<TableSchema> standard = SchemaTables("trevalon");
    const std::vector<TableSchema> other = SchemaTables("trevalon_test_x");
    ASSERT_EQ(standard.size(), other.size());
    for (std::size_t t = 0; t < standard.size(); ++t) {
        ASSERT_EQ(standard[t].Statements.size(), other[t].Statements.size());
        std::string expected = standard[t].Statements[0];
        expected.replace(expected.find("trevalon."), 9, "trevalon_test_x.");
        EXPECT_EQ(other[t].Statements[0], expected);
        for (std::size_t s = 1; s < standard[t].Statements.size(); ++s) {
            EXPECT_EQ(other[t].Statements[s], standard[t].Statements[s]);
        }
    }
    EXPECT_EQ(CreateDatabaseStatement("trevalon_test_x"),
              "CREATE DATABASE IF NOT EXISTS trevalon_test_x CHARACTER SET UTF8;");
    EXPECT_EQ(DescribeSyslogStatement("trevalon_test_x"), "desc trevalon_test_x.syslog");
}

}  // namespace
}  // namespace trevalon
