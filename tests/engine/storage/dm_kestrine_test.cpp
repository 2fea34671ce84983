#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/storage/dm_kestrine.h"
#include "engine/storage/schema_statements.h"
#include "foundation/engine_settings.h"
#include "foundation/program_end.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::DiagnosticLogText;
using testing::ScratchDatabase;
using testing::TempInstallation;
using testing::TestDatabaseName;

class DataModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation_));
        database_ = std::make_unique<ScratchDatabase>(TestDatabaseName("bootstrap"), false);
    }

    // Runs the start-up bootstrap and returns every statement text the module sent.
    std::vector<std::string> Bootstrap() {
        TDMKestrine module(settings_, database_->Name());
        std::vector<std::string> statements;
        module.SetStatementObserver(
            [&statements](std::string_view text) { statements.emplace_back(text); });
        if (module.ConnectDatabase(false)) {
            module.CreateMissingTables();
        } else if (module.ConnectDatabase(true)) {
            module.CreateDatabase();
        }
        return statements;
    }

    QueryResult AdminQuery(const std::string& statement) {
        return database_->Admin().Query(statement);
    }

    void AdminExecute(const std::string& statement) { database_->Admin().Execute(statement); }

    std::string ColumnType(const std::string& table, const std::string& column) {
        return AdminQuery(
                   "SELECT DATA_TYPE AS type FROM information_schema.COLUMNS WHERE "
                   "TABLE_SCHEMA = \"" +
                   database_->Name() + "\" AND TABLE_NAME = \"" + table +
                   "\" AND COLUMN_NAME = \"" + column + "\"")
            .Text(0, "type");
    }

    std::int64_t RowCount(const std::string& table) {
        return AdminQuery("SELECT count(*) as numOfRecord FROM " + database_->Name() + "." + table)
            .Integer(0, "numOfRecord");
    }

    std::vector<std::string> ChecksOnly() const {
        std::vector<std::string> checks(9, std::string(kShowTablesStatement));
        checks.push_back("desc " + database_->Name() + ".syslog");
        checks.push_back("desc " + database_->Name() + ".filtering");
        checks.push_back("show index from " + database_->Name() + ".syslog");
        return checks;
    }

    TempInstallation installation_;
    PublishedSettings settings_{installation_.Settings()};
    std::unique_ptr<ScratchDatabase> database_;
};

TEST_F(DataModuleTest, EmptyServerGetsDatabaseTablesIndexesAndSchedule) {
    const std::vector<std::string> statements = Bootstrap();
    EXPECT_FALSE(ProgramEndRequested());

    // Every statement, in order: the database, then per table the check and its statements.
    std::vector<std::string> expected = {CreateDatabaseStatement(database_->Name())};
    for (const TableSchema& table : SchemaTables(database_->Name())) {
        expected.emplace_back(kShowTablesStatement);
        expected.insert(expected.end(), table.Statements.begin(), table.Statements.end());
    }
    expected.push_back("desc " + database_->Name() + ".syslog");
    expected.push_back("desc " + database_->Name() + ".filtering");
    expected.push_back("show index from " + database_->Name() + ".syslog");
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        expected.push_back(index.Statement);
    }
    EXPECT_EQ(statements, expected);

    std::set<std::string> tables;
    const QueryResult shown = AdminQuery("show tables from " + database_->Name());
    for (std::size_t row = 0; row < shown.RowCount(); ++row) {
        tables.insert(shown.FirstField(row));
    }
    EXPECT_EQ(tables,
              (std::set<std::string>{"alarm_method", "alarm_method_extra_fields", "contact_group",
                                     "contact_person", "contact_person_group", "filtering",
                                     "filtering_contact", "scheduling", "syslog"}));

    std::map<std::string, std::string> indexes;
    const QueryResult statistics = AdminQuery(
        "SELECT DISTINCT INDEX_NAME AS name, TABLE_NAME AS tab FROM information_schema.STATISTICS "
        "WHERE TABLE_SCHEMA = \"" +
        database_->Name() + "\" AND INDEX_NAME <> \"PRIMARY\"");
    for (std::size_t row = 0; row < statistics.RowCount(); ++row) {
        indexes[statistics.Text(row, "name")] = statistics.Text(row, "tab");
    }
    EXPECT_EQ(indexes, (std::map<std::string, std::string>{
                           {"idx_contact_person_group_pid", "contact_person_group"},
                           {"idx_contact_person_group_gid", "contact_person_group"},
                           {"idx_scheduling_time", "scheduling"},
                           {"idx_syslog_datetime", "syslog"},
                           {"idx_syslog_ip", "syslog"},
                           {"idx_syslog_facility", "syslog"},
                           {"idx_syslog_severity", "syslog"},
                           {"idx_syslog_ip_datetime", "syslog"},
                           {"idx_syslog_facility_datetime", "syslog"},
                           {"idx_syslog_severity_datetime", "syslog"},
                           {"idx_filtering_ip", "filtering"},
                           {"idx_filtering_contact_fid", "filtering_contact"},
                           {"idx_filtering_contact_pid", "filtering_contact"},
                       }));

    const QueryResult schedule =
        AdminQuery("SELECT * FROM " + database_->Name() + ".scheduling ORDER BY schedule_time");
    ASSERT_EQ(schedule.RowCount(), 24u);
    for (std::size_t hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(schedule.Integer(hour, "schedule_time"), static_cast<std::int64_t>(hour));
        for (const char* day : {"mon", "tue", "wed", "thu", "fri", "sat", "sun"}) {
            EXPECT_EQ(schedule.Text(hour, day), "yes") << hour << " " << day;
        }
    }
    EXPECT_EQ(ColumnType("syslog", "msg"), "mediumtext");
}

TEST_F(DataModuleTest, TablesTakeFourByteCharacters) {
    Bootstrap();
    const QueryResult charsets = AdminQuery(
        "SELECT DISTINCT CHARACTER_SET_NAME AS charset FROM information_schema.COLUMNS WHERE "
        "TABLE_SCHEMA = \"" +
        database_->Name() + "\" AND CHARACTER_SET_NAME IS NOT NULL");
    ASSERT_EQ(charsets.RowCount(), 1u);
    EXPECT_EQ(charsets.Text(0, "charset"), "utf8mb4");

    TDMKestrine module(settings_, database_->Name());
    ASSERT_TRUE(module.ConnectDatabase(false));
    const std::string message = "disk \xF0\x9F\x94\xA5 on \"host\"; drop table syslog; --";
    module.Connection().Execute(
        "insert into syslog (syslog_datetime, ip, facility, severity, msg) values "
        "(\"2009-03-14 08:00:04\", \"10.0.0.1\", \"Kernel\", \"Emergency\", " +
        SqlQuoted(message) + ")");
    EXPECT_EQ(module.Connection().OpenTable("syslog").Text(0, "msg"), message);
}

TEST_F(DataModuleTest, SecondStartRunsOnlyTheChecks) {
    Bootstrap();
    EXPECT_EQ(Bootstrap(), ChecksOnly());
    EXPECT_EQ(RowCount("scheduling"), 24);
    EXPECT_FALSE(ProgramEndRequested());
}

TEST_F(DataModuleTest, OlderTablesAreUpgradedOnceAndKeepTheirRows) {
    AdminExecute("CREATE DATABASE " + database_->Name());
    AdminExecute("create table " + database_->Name() +
                 ".syslog (syslog_datetime DATETIME NOT NULL,ip VARCHAR(100) NOT NULL,facility "
                 "VARCHAR(20) NOT NULL,severity VARCHAR(20) NOT NULL,msg TEXT)");
    AdminExecute("insert into " + database_->Name() +
                 ".syslog values (\"2009-03-14 08:00:04\", \"10.0.0.1\", \"Kernel\", "
                 "\"Emergency\", \"kept\")");
    // A rule table from before repeat limits, with one rule in it.
    for (const TableSchema& table : SchemaTables(database_->Name())) {
        if (table.Name == "filtering") {
            std::string create = table.Statements.front();
            create.erase(create.find(",alarm_repeat_seconds"),
                         std::string(",alarm_repeat_seconds INT NOT NULL DEFAULT 0").size());
            AdminExecute(create);
        }
    }
    AdminExecute(
        testing::InsertRuleForEveryMessage(database_->Name() + ".filtering", "ip", "\"*\""));

    const std::vector<std::string> first = Bootstrap();
    std::vector<std::string> upgrades = {
        UpgradeSyslogMessageStatement(database_->Name()),
        DescribeFilteringStatement(database_->Name()),
        AddRepeatSecondsStatement(database_->Name()),
        ShowSyslogIndexesStatement(database_->Name()),
    };
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        upgrades.push_back(index.Statement);
    }
    ASSERT_GE(first.size(), upgrades.size());
    EXPECT_EQ(std::vector<std::string>(first.end() - upgrades.size(), first.end()), upgrades);
    EXPECT_EQ(ColumnType("syslog", "msg"), "mediumtext");
    EXPECT_EQ(AdminQuery("SELECT msg FROM " + database_->Name() + ".syslog").Text(0, "msg"),
              "kept");
    EXPECT_EQ(ColumnType("filtering", "alarm_repeat_seconds"), "int");
    const QueryResult rule =
        AdminQuery("SELECT ip, alarm_repeat_seconds FROM " + database_->Name() + ".filtering");
    ASSERT_EQ(rule.RowCount(), 1u);
    EXPECT_EQ(rule.Text(0, "ip"), "*");
    EXPECT_EQ(rule.Integer(0, "alarm_repeat_seconds"), 0);
    // The older syslog table keeps its layout otherwise; it only gains the history indexes, once.
    EXPECT_EQ(AdminQuery("SELECT count(DISTINCT INDEX_NAME) as numOfRecord FROM "
                         "information_schema.STATISTICS WHERE TABLE_SCHEMA = \"" +
                         database_->Name() + "\" AND TABLE_NAME = \"syslog\"")
                  .Integer(0, "numOfRecord"),
              3);

    EXPECT_EQ(Bootstrap(), ChecksOnly());
    EXPECT_FALSE(ProgramEndRequested());
}

TEST_F(DataModuleTest, ExistingEmptyScheduleGetsNoRows) {
    AdminExecute("CREATE DATABASE " + database_->Name());
    for (const TableSchema& table : SchemaTables(database_->Name())) {
        if (table.Name == "scheduling") {
            AdminExecute(table.Statements.front());
        }
    }
    Bootstrap();
    EXPECT_EQ(RowCount("scheduling"), 0);
    EXPECT_EQ(RowCount("alarm_method"), 0);
    EXPECT_FALSE(ProgramEndRequested());
}

TEST_F(DataModuleTest, WrongCredentialsLogConnectionErrorAndLeaveTheDecisionToTheCaller) {
    settings_.Update([](EngineSettings& settings) {
        settings.Database.DBUsername = "trevalon_no_such_user";
        settings.Database.DBPassword = "\"; drop database mysql; --";
    });
    TDMKestrine module(settings_, database_->Name());
    EXPECT_FALSE(module.ConnectDatabase(false));
    EXPECT_FALSE(module.ConnectDatabase(true));
    EXPECT_FALSE(module.Connection().Connected());
    EXPECT_TRUE(module.CredentialsRefused());
    EXPECT_FALSE(ProgramEndRequested());

    const std::string log = DiagnosticLogText(installation_);
    const std::string line =
        " [ERROR] ERR00101 : Connot make connection to MySQL database. : Access denied for user "
        "'trevalon_no_such_user'@'localhost' (using password: YES)\r\n";
    std::size_t count = 0;
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 2u) << log;
}

TEST_F(DataModuleTest, UnreachableServerLogsConnectionError) {
    const testing::ClosedLoopbackPort closed;
    settings_.Update([&closed](EngineSettings& settings) {
        settings.Database.Host = "127.0.0.1";
        settings.Database.Port = std::to_string(closed.Port());
    });
    TDMKestrine module(settings_, database_->Name());
    EXPECT_FALSE(module.ConnectDatabase(true));
    EXPECT_FALSE(module.CredentialsRefused());
    EXPECT_NE(DiagnosticLogText(installation_)
                  .find("[ERROR] ERR00101 : Connot make connection to MySQL database. : Can't "
                        "connect to server on '127.0.0.1'"),
              std::string::npos);
}

TEST_F(DataModuleTest, FailingStatementLogsTheTableAndAsksTheProgramToEnd) {
    AdminExecute("CREATE DATABASE " + database_->Name());
    TDMKestrine module(settings_, database_->Name());
    ASSERT_TRUE(module.ConnectDatabase(false));
    EXPECT_FALSE(module.ExecuteStatement("create table broken (", "broken"));
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_NE(DiagnosticLogText(installation_)
                  .find("[ERROR] ERR00105 : Cannot create MySQL table [broken]. : You have an "
                        "error in your SQL syntax"),
              std::string::npos)
        << DiagnosticLogText(installation_);
    // The statements after a failed one still run.
    EXPECT_TRUE(module.ExecuteStatement("create table fine (id INTEGER)", "fine"));
    EXPECT_TRUE(module.ObjectExists("fine"));
    EXPECT_FALSE(module.ObjectExists("FINE"));
    EXPECT_FALSE(module.ObjectExists("fin"));
}

TEST_F(DataModuleTest, DatabaseThatCannotBeCreatedLogsAndAsksTheProgramToEnd) {
    // The tests' account may create its own databases only.
    const std::string denied = "trevalon_denied_" + std::to_string(getpid());
    {
        TDMKestrine module(settings_, denied);
        ASSERT_TRUE(module.ConnectDatabase(true));
        module.CreateDatabase();
    }
    EXPECT_TRUE(ProgramEndRequested());
    const std::string log = DiagnosticLogText(installation_);
    EXPECT_NE(log.find("[ERROR] ERR00104 : Cannot create MySQL database. : Access denied for "
                       "user '" +
                       testing::TheTestDatabaseAccount().user + "'@'localhost' to database '" +
                       denied + "'"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("ERR00105"), std::string::npos);
}

TEST_F(DataModuleTest, WithoutAConnectionNothingIsCreated) {
    TDMKestrine module(settings_, database_->Name());
    std::vector<std::string> statements;
    module.SetStatementObserver([&](std::string_view text) { statements.emplace_back(text); });
    module.CreateMissingTables();
    EXPECT_TRUE(statements.empty());
    EXPECT_FALSE(module.ObjectExists("syslog"));
}

TEST(DataModuleName, OnlyPlainIdentifiersAreAccepted) {
    const PublishedSettings settings;
    EXPECT_THROW(TDMKestrine(settings, "x; drop database trevalon"), std::invalid_argument);
    EXPECT_THROW(TDMKestrine(settings, ""), std::invalid_argument);
    EXPECT_THROW(TDMKestrine(settings, "a.b"), std::invalid_argument);
    EXPECT_THROW(TDMKestrine(settings, std::string(65, 'a')), std::invalid_argument);
    EXPECT_EQ(TDMKestrine(settings).DatabaseName(), "trevalon");
    EXPECT_EQ(TDMKestrine(settings, "trevalon_test_$1").DatabaseName(), "trevalon_test_$1");
}

}  // namespace
}  // namespace trevalon
