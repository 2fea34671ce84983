#include "engine/storage/thread_db_mysql_execute_for_syslog.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/storage/row_insert_test_support.h"

namespace trevalon {
namespace {

using namespace std::string_literals;
using testing::RowInsertTest;
using testing::TestRecord;

// Every case runs in each of the three ways a job reaches the server; the outcome must not
// depend on it.
class RowJob : public RowInsertTest, public ::testing::WithParamInterface<RowConnectionMode> {};

INSTANTIATE_TEST_SUITE_P(Modes, RowJob,
                         ::testing::Values(RowConnectionMode::kOwnConnection,
                                           RowConnectionMode::kSharedConnections,
                                           RowConnectionMode::kCombinedInserts),
                         testing::ModeName);

TEST_P(RowJob, StoresTheEscapedMessageWithTheFirstAttempt) {
    auto job = Job(TestRecord("it's 50% done; ok"), GetParam());
    EXPECT_EQ(job->OperationName(), "Insert");
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Passed");
    EXPECT_EQ(job->ResultDetail(), "");
    job->Execute();
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Passed");
    EXPECT_EQ(job->ResultDetail(), Place() + " MySQL Connection Succeed]");
    EXPECT_GE(job->Elapsed(), 0);

    const QueryResult rows = database_.Connection().Query(
        "SELECT syslog_datetime, ip, facility, severity, msg FROM syslog");
    ASSERT_EQ(rows.RowCount(), 1u);
    EXPECT_EQ(rows.Text(0, "syslog_datetime"), "2024-03-01 12:00:05");
    EXPECT_EQ(rows.Text(0, "ip"), "192.0.2.7");
    EXPECT_EQ(rows.Text(0, "facility"), "Local Use Seven");
    EXPECT_EQ(rows.Text(0, "severity"), "Warning");
    EXPECT_EQ(rows.Text(0, "msg"), "it s 50% done  ok");
}

TEST_P(RowJob, HostileTextsCannotBreakTheStatement) {
    const std::string content =
        "a\"b\\c'd;e%f_g\x01h\ni\xE2\x82\xAC\0\\\") ; DROP TABLE syslog; -- \\"s;
    auto job = Job(TestRecord(content, "evil\",\"x\",\"y\",\"z\") -- \\"), GetParam());
    job->Execute();
    EXPECT_TRUE(job->Succeeded()) << job->ResultDetail();

    const QueryResult rows = database_.Connection().Query("SELECT ip, msg FROM syslog");
    ASSERT_EQ(rows.RowCount(), 1u);
    EXPECT_EQ(rows.Text(0, "ip"), "evil\",\"x\",\"y\",\"z\") -- \\");
    EXPECT_EQ(rows.Text(0, "msg"),
              "a b\\c d e%f_g\x01hi\xE2\x82\xAC\0\\ )   DROP TABLE syslog  -- \\"s);
}

TEST_P(RowJob, ARefusedFirstAttemptIsStoredCleanedInModeOne) {
    // Not UTF-8: the server refuses the message until the bytes of 127 or more are gone.
    auto job = Job(TestRecord("caf\xFF\xC3\xA9 50% done_now! (ok)"), GetParam());
    job->Execute();
    EXPECT_TRUE(job->Succeeded()) << job->ResultDetail();
    EXPECT_EQ(job->ResultText(), "Passed");
    EXPECT_EQ(job->ResultDetail(), Place() + " MySQL Connection Succeed]");
    EXPECT_EQ(StoredMessages(), std::vector<std::string>{"caf 50% done_now! (ok)"});
}

TEST_P(RowJob, ARefusedSecondAttemptIsStoredCleanedInModeTwo) {
    RefuseMessagesContaining("!", "no exclamation marks");
    auto job = Job(TestRecord("Disk full! 50% used_up @host"), GetParam());
    job->Execute();
    EXPECT_TRUE(job->Succeeded()) << job->ResultDetail();
    EXPECT_EQ(job->ResultDetail(), Place() + " MySQL Connection Succeed]");
    EXPECT_EQ(StoredMessages(), std::vector<std::string>{"Disk full  50  used up  host"});
}

TEST_P(RowJob, ThreeRefusalsFailWithBothStatementsInTheDetail) {
    RefuseMessagesContaining("zzz", "refused zzz");
    auto job = Job(TestRecord("zzz; it's"), GetParam());
    job->Execute();
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Failed");
    EXPECT_EQ(job->ResultDetail(),
              Place() + " MySQL Connection Succeed] " + Place() +
                  " SQL Error:refused zzz : (insert into syslog "
                  "(syslog_datetime,ip,facility,severity,msg) values (\"2024-03-01 12:00:05\","
                  "\"192.0.2.7\",\"Local Use Seven\",\"Warning\",\"zzz  it s\") | INSERT INTO "
                  "syslog (syslog_datetime,ip,facility,severity,msg) VALUES (\"2024-03-01 "
                  "12:00:05\",\"192.0.2.7\",\"Local Use Seven\",\"Warning\",\"zzz  it s\"))]");
    EXPECT_TRUE(StoredMessages().empty());
}

TEST_P(RowJob, AnEmptyStatementConnectsAndStoresNothing) {
    const std::string dll = installation_.DllFolder() + "libmariadb.so.3";
    const ConnectionParameters server = Parameters();
    ThreadDBMySQLExecuteForSysLog job("Insert", "localhost", "3306", database_.Name(),
                                      server.User_Name, server.Password, " \t ",
                                      "2024-03-01 12:00:05", "192.0.2.7", "Local Use Seven",
                                      "Warning", "text", dll, caches_, GetParam());
    job.Execute();
    EXPECT_TRUE(job.Succeeded());
    EXPECT_EQ(job.ResultText(), "Passed");
    EXPECT_EQ(job.ResultDetail(), Place() + " MySQL Connection Succeed]");
    EXPECT_TRUE(StoredMessages().empty());
}

TEST_P(RowJob, WrongCredentialsFailWithTheServersTextAndInsertNothing) {
    std::string serverText;
    try {
        DatabaseConnection probe;
        probe.Connect({"localhost", "3306", "trevalon_nobody", "", database_.Name()});
    } catch (const DatabaseError& error) {
        serverText = error.what();
    }
    ASSERT_NE(serverText.find("Access denied"), std::string::npos) << serverText;

    ConnectionParameters nobody = Parameters();
    nobody.User_Name = "trevalon_nobody";
    nobody.Password = "";
    auto job = Job(TestRecord("never stored"), GetParam(), nobody);
    job->Execute();
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Failed");
    EXPECT_EQ(job->ResultDetail(), Place() + " MySQL Connection Error:" + serverText + "]");
    EXPECT_TRUE(StoredMessages().empty());
}

TEST_P(RowJob, AnUnusablePortIsAConnectionError) {
    ConnectionParameters unusablePort = Parameters();
    unusablePort.Port = "x3306";
    auto job = Job(TestRecord("never stored"), GetParam(), unusablePort);
    job->Execute();
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultDetail(), "[localhost:x3306@" + database_.Name() +
                                       " MySQL Connection Error:Invalid port 'x3306']");
}

TEST_F(RowInsertTest, MakeSyslogRowJobUsesTheInstallationsSettingsAndTheChosenEscaping) {
    const SyslogRecord record = TestRecord("a\tb's");
    const EngineSettings settings = installation_.Settings();
    auto service = MakeSyslogRowJob(settings, caches_, record);
    auto manager = MakeSyslogRowJob(settings, caches_, record, ContentEscaping::kManager);
    EXPECT_EQ(service->OperationName(), "Insert");
    EXPECT_EQ(service->Statement(), BuildSyslogInsertStatement(record, "ab s"));
    EXPECT_EQ(manager->Statement(), BuildSyslogInsertStatement(record, "a b s"));
}

}  // namespace
}  // namespace trevalon
