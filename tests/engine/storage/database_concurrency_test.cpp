#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/storage/database_client.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::LocalServer;
using testing::ScratchDatabase;
using testing::TempInstallation;
using testing::TestDatabaseName;

constexpr int kThreads = 8;
constexpr int kRowsPerThread = 40;

// One thread's work: its own connection, its own rows. Failures come back as text.
std::string InsertRows(const std::string& database, int thread) {
    try {
        DatabaseConnection connection;
        connection.Connect(LocalServer(database));
        for (int row = 0; row < kRowsPerThread; ++row) {
            const std::string message = "thread " + std::to_string(thread) + " row " +
                                        std::to_string(row) + " \"quoted\" \\ 'x'\n\xE2\x82\xAC";
            connection.Execute("insert into syslog (thread, msg) values (" +
                               std::to_string(thread) + "," + SqlQuoted(message) + ")");
        }
        return connection.Query("SELECT count(*) as numOfRecord FROM syslog WHERE thread = " +
                                std::to_string(thread))
                           .Integer(0, "numOfRecord") == kRowsPerThread
                   ? ""
                   : "thread " + std::to_string(thread) + " does not see its rows";
    } catch (const DatabaseError& error) {
        return "thread " + std::to_string(thread) + ": " + error.what();
    }
}

TEST(DatabaseConcurrency, EightThreadsWithOwnConnectionsInsertTogether) {
    TempInstallation installation;
    ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation));
    ScratchDatabase database(TestDatabaseName("threads"), true);
    database.Admin().Execute(
        "create table syslog (thread INTEGER NOT NULL, msg MEDIUMTEXT) CHARACTER SET UTF8");

    std::vector<std::string> failures(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back([&failures, &database, thread] {
                failures[static_cast<std::size_t>(thread)] = InsertRows(database.Name(), thread);
            });
        }
    }
    for (const std::string& failure : failures) {
        EXPECT_EQ(failure, "");
    }

    const QueryResult counts = database.Admin().Query(
        "SELECT thread, count(*) as numOfRecord, count(DISTINCT msg) as distinctMessages FROM "
        "syslog GROUP BY thread ORDER BY thread");
    ASSERT_EQ(counts.RowCount(), static_cast<std::size_t>(kThreads));
    for (std::size_t thread = 0; thread < kThreads; ++thread) {
        EXPECT_EQ(counts.Integer(thread, "thread"), static_cast<std::int64_t>(thread));
        EXPECT_EQ(counts.Integer(thread, "numOfRecord"), kRowsPerThread);
        EXPECT_EQ(counts.Integer(thread, "distinctMessages"), kRowsPerThread);
    }
}

}  // namespace
}  // namespace trevalon
