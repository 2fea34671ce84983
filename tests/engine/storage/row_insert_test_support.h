#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/storage/row_connection_caches.h"
#include "engine/storage/syslog_escaping.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "tests/engine/storage/storage_scratch_database.h"
#include "tests/support/temp_installation.h"

namespace trevalon::testing {

inline SyslogRecord TestRecord(std::string content, std::string source = "192.0.2.7") {
    SyslogRecord record;
    record.TimeStamp = "2024-03-01 12:00:05";
    record.Source = std::move(source);
    record.FacilityName = "Local Use Seven";
    record.SeverityName = "Warning";
    record.Content = std::move(content);
    return record;
}

inline std::string ModeName(const ::testing::TestParamInfo<RowConnectionMode>& info) {
    switch (info.param) {
        case RowConnectionMode::kOwnConnection:
            return "OwnConnection";
        case RowConnectionMode::kSharedConnections:
            return "SharedConnections";
        case RowConnectionMode::kCombinedInserts:
            return "CombinedInserts";
    }
    return "Unknown";
}

// A scratch database with the system's tables, and row jobs that store into it the way the
// receivers make them, sharing the fixture's connection caches, which close at the end.
class RowInsertTest : public ::testing::Test {
  protected:
    RowInsertTest() : database_(installation_, "trevalon_test_rows") {}

    ConnectionParameters Parameters() const { return testing::LocalServer(database_.Name()); }

    // A row job on the scratch database, with the tests' account unless `server` says otherwise.
    std::unique_ptr<ThreadDBMySQLExecuteForSysLog> Job(const SyslogRecord& record,
                                                       RowConnectionMode mode) const {
        return Job(record, mode, Parameters());
    }
    std::unique_ptr<ThreadDBMySQLExecuteForSysLog> Job(const SyslogRecord& record,
                                                       RowConnectionMode mode,
                                                       const ConnectionParameters& server) const {
        const std::string message = EscapeSyslogContent(record.Content);
        return std::make_unique<ThreadDBMySQLExecuteForSysLog>(
            "Insert", server.HostName, server.Port, server.Database, server.User_Name,
            server.Password, BuildSyslogInsertStatement(record, message), record.TimeStamp,
            record.Source, record.FacilityName, record.SeverityName, message,
            installation_.DllFolder() + "libmariadb.so.3", caches_, mode);
    }

    // "[localhost:3306@<database>", how every detail of a job begins.
    std::string Place() const { return "[localhost:3306@" + database_.Name(); }

    std::vector<std::string> StoredMessages() {
        const QueryResult rows = database_.Connection().Query("SELECT msg FROM syslog");
        std::vector<std::string> messages;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            messages.push_back(rows.Text(row, "msg"));
        }
        return messages;
    }

    // The server refuses every row whose message contains `fragment`, with `reason`.
    void RefuseMessagesContaining(const std::string& fragment, const std::string& reason) {
        database_.Execute("CREATE TRIGGER refuse_" + std::to_string(++triggers_) +
                          " BEFORE INSERT ON syslog FOR EACH ROW IF INSTR(NEW.msg, '" + fragment +
                          "') > 0 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = '" + reason +
                          "'; END IF");
    }

    TempInstallation installation_;
    SchemaScratchDatabase database_;
    // Mutable: the jobs Job() makes share them.
    mutable RowConnectionCaches caches_;
    int triggers_ = 0;
};

}  // namespace trevalon::testing
