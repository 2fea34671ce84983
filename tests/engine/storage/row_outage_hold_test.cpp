#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/storage/row_connection_caches.h"
#include "engine/storage/row_spool.h"
#include "engine/storage/schema_statements.h"
#include "engine/storage/syslog_escaping.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "tests/support/private_database_server.h"
#include "tests/support/program_process.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::Eventually;
using testing::PrivateDatabaseServer;
using testing::ReadWholeFile;
using testing::TempInstallation;

constexpr auto kPatience = 60s;
constexpr std::size_t kMemoryBytes = 2048;
constexpr std::chrono::milliseconds kRetry{100};

// Rows held while a server of the test's own is stopped; each row's text tells its place.
class RowOutageHoldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PrivateDatabaseServer::Available()) {
            GTEST_SKIP() << "mariadb-install-db and mariadbd are not installed";
        }
        installation_.InstallDriverLibrary();
        ASSERT_TRUE(LoadDatabaseLibrary(Driver()));
        server_ = std::make_unique<PrivateDatabaseServer>();
        DatabaseConnection setup;
        setup.Connect(server_->Parameters(""));
        setup.Execute(CreateDatabaseStatement(kDefaultDatabaseName));
        setup.Connect(server_->Parameters(std::string(kDefaultDatabaseName)));
        for (const TableSchema& table : SchemaTables(kDefaultDatabaseName)) {
            if (table.Name == "syslog") {
                for (const std::string& statement : table.Statements) {
                    setup.Execute(statement);
                }
            }
        }
    }

    std::string Driver() const { return installation_.DllFolder() + "libmariadb.so.3"; }
    std::string SpoolPath() const { return RowSpoolPath(installation_.LogFolder()); }

    void StartHold(RowConnectionCaches& caches, std::uint64_t spoolLimit = 1 << 20) const {
        caches.Hold().Start(server_->Parameters(std::string(kDefaultDatabaseName)), Driver(),
                            SpoolPath(), spoolLimit);
    }

    // Stores row `n` the way the receivers do, and returns the finished job.
    std::unique_ptr<ThreadDBMySQLExecuteForSysLog> Send(RowConnectionCaches& caches, int n,
                                                        const std::string& password) const {
        const HeldRow row = RowOf(n);
        const ConnectionParameters server = server_->Parameters(std::string(kDefaultDatabaseName));
        auto job = std::make_unique<ThreadDBMySQLExecuteForSysLog>(
            "Insert", server.HostName, server.Port, server.Database, server.User_Name, password,
            row.statement, row.time, row.source, row.facility, row.severity, row.message, Driver(),
            caches);
        job->Execute();
        return job;
    }
    std::unique_ptr<ThreadDBMySQLExecuteForSysLog> Send(RowConnectionCaches& caches, int n) const {
        return Send(caches, n, PrivateDatabaseServer::kPassword);
    }

    // Row `n` as the receivers make it, with a hostile source.
    static HeldRow RowOf(int n) {
        SyslogRecord record;
        record.TimeStamp = "2026-12-10 12:00:00";
        record.Source = "host \"q\" \\";
        record.FacilityName = "Kernel";
        record.SeverityName = "Notice";
        record.Content = RowText(n);
        std::string message = EscapeSyslogContent(record.Content);
        return HeldRow{BuildSyslogInsertStatement(record, message),
                       record.TimeStamp,
                       record.Source,
                       record.FacilityName,
                       record.SeverityName,
                       std::move(message)};
    }

    static std::string RowText(int n) {
        char text[32];
        std::snprintf(text, sizeof text, "row %05d it's", n);
        return text;
    }

    std::vector<std::string> StoredRows() const {
        DatabaseConnection connection;
        connection.Connect(server_->Parameters(std::string(kDefaultDatabaseName)));
        const QueryResult rows = connection.Query("select ip, msg from syslog");
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            EXPECT_EQ(rows.Text(row, "ip"), "host \"q\" \\");
            texts.push_back(rows.Text(row, "msg"));
        }
        return texts;
    }

    static std::vector<std::string> Expected(const std::vector<int>& numbers) {
        std::vector<std::string> texts;
        for (const int n : numbers) {
            texts.push_back(EscapeSyslogContent(RowText(n)));
        }
        return texts;
    }

    std::string Log() const {
        std::string log;
        for (const auto& entry : std::filesystem::directory_iterator(installation_.LogFolder())) {
            if (entry.path().filename().string().starts_with("system_")) {
                log += ReadWholeFile(entry.path().string());
            }
        }
        return log;
    }

    TempInstallation installation_;
    std::unique_ptr<PrivateDatabaseServer> server_;
};

TEST_F(RowOutageHoldTest, RowsOfAnOutageAreStoredOnceInOrderAfterItAndAStopKeepsThemInTheSpool) {
    std::vector<int> sent;
    {
        RowConnectionCaches caches(2, kMemoryBytes, kRetry);
        StartHold(caches);
        for (int n = 0; n < 3; ++n) {
            ASSERT_EQ(Send(caches, n)->ResultDetail().find("Row Held"), std::string::npos);
            sent.push_back(n);
        }
        server_->Stop();
        // More than fit in memory: the rest goes to the spool.
        for (int n = 3; n < 60; ++n) {
            const auto job = Send(caches, n);
            ASSERT_TRUE(job->Succeeded()) << job->ResultDetail();
            EXPECT_NE(job->ResultDetail().find("MySQL Row Held]"), std::string::npos);
            sent.push_back(n);
        }
        EXPECT_EQ(caches.Hold().HeldRows(), 57U);
        EXPECT_NE(Log().find("[WARMING] MySQL server cannot take rows; received rows are held "
                             "until it can : "),
                  std::string::npos)
            << Log();
        // The program stops during the outage, in the engine's order.
        caches.CloseAll();
        caches.Hold().Stop();
    }
    EXPECT_GT(std::filesystem::file_size(SpoolPath()), RowSpool::kHeaderSize);

    RowConnectionCaches caches(2, kMemoryBytes, kRetry);
    StartHold(caches);
    EXPECT_NE(Log().find("holds 57 rows of a former run"), std::string::npos) << Log();
    for (int n = 60; n < 70; ++n) {
        ASSERT_TRUE(Send(caches, n)->Succeeded());
        sent.push_back(n);
    }
    server_->Start();
    ASSERT_TRUE(Eventually([&] { return caches.Hold().HeldRows() == 0; }, kPatience));
    EXPECT_EQ(StoredRows(), Expected(sent));
    EXPECT_NE(Log().find("[INFO] MySQL server takes rows again; 67 held rows were stored after an "
                         "outage of "),
              std::string::npos)
        << Log();
    EXPECT_EQ(std::filesystem::file_size(SpoolPath()), RowSpool::kHeaderSize);
    // Rows after the outage go their usual way.
    EXPECT_EQ(Send(caches, 70)->ResultDetail().find("Row Held"), std::string::npos);
}

TEST_F(RowOutageHoldTest, AccessDeniedIsNotHeldAFullSpoolFailsTheNewestRowsAndACutTailIsLeftOut) {
    {
        RowConnectionCaches caches(2, 0, kRetry);
        StartHold(caches, RowSpool::kHeaderSize + 3 * EncodeSpoolRecord(RowOf(1)).size());

        const auto refused = Send(caches, 0, "wrong password");
        EXPECT_FALSE(refused->Succeeded());
        EXPECT_NE(refused->ResultDetail().find("MySQL Connection Error:Access denied"),
                  std::string::npos)
            << refused->ResultDetail();
        EXPECT_EQ(caches.Hold().HeldRows(), 0U);

        server_->Stop();
        std::vector<std::unique_ptr<ThreadDBMySQLExecuteForSysLog>> jobs;
        for (int n = 1; n <= 5; ++n) {
            jobs.push_back(Send(caches, n));
        }
        EXPECT_EQ(caches.Hold().HeldRows(), 3U);
        for (int n = 1; n <= 3; ++n) {
            EXPECT_TRUE(jobs[n - 1]->Succeeded()) << jobs[n - 1]->ResultDetail();
        }
        for (int n = 4; n <= 5; ++n) {
            EXPECT_FALSE(jobs[n - 1]->Succeeded());
            EXPECT_EQ(jobs[n - 1]->FailureLine(),
                      "MySQL Backup Error : error [127.0.0.1:" + server_->Port() +
                          "@trevalon MySQL Row Spool Full: the row spool reached its limit, "
                          "SpoolLimitMB] " +
                          jobs[n - 1]->StatusMessage());
        }
        caches.CloseAll();
        caches.Hold().Stop();
    }

    // The third row's record was cut short by a crash.
    std::filesystem::resize_file(SpoolPath(), std::filesystem::file_size(SpoolPath()) - 7);
    RowConnectionCaches restarted(2, 0, kRetry);
    StartHold(restarted);
    EXPECT_NE(Log().find("[WARMING] Row spool " + SpoolPath() + " was cut short: "),
              std::string::npos)
        << Log();
    server_->Start();
    ASSERT_TRUE(Eventually([&] { return restarted.Hold().HeldRows() == 0; }, kPatience));
    EXPECT_EQ(StoredRows(), Expected({1, 2}));
}

}  // namespace
}  // namespace trevalon
