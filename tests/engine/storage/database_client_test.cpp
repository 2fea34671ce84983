#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/database_client.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::string_literals;
using testing::LocalServer;
using testing::ScratchDatabase;
using testing::TempInstallation;
using testing::TestDatabaseName;

// Raises the DatabaseError of `action` as its text, or fails the test when nothing is raised.
template <typename Action>
std::string ErrorTextOf(Action action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no DatabaseError raised";
    return {};
}

// Values a syslog message or an operator may carry into a statement.
std::vector<std::string> HostileTexts() {
    return {
        "",
        "plain text",
        "double \" quote",
        "single ' quote",
        "back\\slash at end\\",
        "\\\"",
        "nul\0inside"s,
        "\0"s,
        "line\nfeed and\r\nCRLF",
        "ctrl-z \x1a end",
        "\"; drop table x; --",
        "'); DELETE FROM hostile; --",
        "%_ like wildcards ` backtick",
        "Grüße, 中文, ελληνικά",
        "four-byte \xF0\x9F\x98\x80 emoji",
        std::string(70000, '"'),
    };
}

class DatabaseClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation_));
        database_ = std::make_unique<ScratchDatabase>(TestDatabaseName("client"), true);
        connection_.Connect(LocalServer(database_->Name()));
    }

    TempInstallation installation_;
    std::unique_ptr<ScratchDatabase> database_;
    DatabaseConnection connection_;
};

TEST_F(DatabaseClientTest, RowsComeInServerOrderWithFieldsByNameAndNullAsEmpty) {
    connection_.Execute(
        "create table sample (id INTEGER NOT NULL, name VARCHAR(20), amount BIGINT)");
    connection_.Execute(
        "insert into sample (id, name, amount) values (2, \"two\", -5), (1, NULL, NULL), "
        "(3, \"\", 9000000000)");

    const QueryResult rows = connection_.Query("SELECT * FROM sample ORDER BY id");
    ASSERT_EQ(rows.RowCount(), 3u);
    EXPECT_EQ(rows.Columns(), (std::vector<std::string>{"id", "name", "amount"}));
    EXPECT_EQ(rows.Integer(0, "id"), 1);
    EXPECT_TRUE(rows.IsNull(0, "name"));
    EXPECT_EQ(rows.Text(0, "name"), "");
    EXPECT_EQ(rows.Integer(0, "amount"), 0);
    EXPECT_EQ(rows.Text(1, "NAME"), "two");
    EXPECT_EQ(rows.Integer(1, "amount"), -5);
    EXPECT_FALSE(rows.IsNull(2, "name"));
    EXPECT_EQ(rows.Integer(2, "amount"), 9000000000);

    const QueryResult count =
        connection_.Query("SELECT count(*) as numOfRecord FROM sample WHERE id > 1");
    EXPECT_EQ(count.Integer(0, "numOfRecord"), 2);

    const QueryResult table = connection_.OpenTable("sample");
    EXPECT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(connection_.Query("show tables").FirstField(0), "sample");
}

TEST_F(DatabaseClientTest, SessionIsFullUtf8WithBackslashEscapesAndDoubleQuotedStrings) {
    const QueryResult session = connection_.Query(
        "SELECT @@character_set_client AS client, @@character_set_connection AS connection, "
        "@@character_set_results AS results, @@SESSION.sql_mode AS mode, \"quoted\" AS text");
    EXPECT_EQ(session.Text(0, "client"), "utf8mb4");
    EXPECT_EQ(session.Text(0, "connection"), "utf8mb4");
    EXPECT_EQ(session.Text(0, "results"), "utf8mb4");
    EXPECT_EQ(session.Text(0, "mode").find("ANSI_QUOTES"), std::string::npos);
    EXPECT_EQ(session.Text(0, "mode").find("NO_BACKSLASH_ESCAPES"), std::string::npos);
    EXPECT_EQ(session.Text(0, "text"), "quoted");

    connection_.Execute("create table wide (msg MEDIUMTEXT) CHARACTER SET UTF8;");
    const QueryResult charset = connection_.Query(
        "SELECT CHARACTER_SET_NAME AS charset FROM information_schema.COLUMNS WHERE "
        "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = \"wide\"");
    EXPECT_EQ(charset.Text(0, "charset"), "utf8mb4");
}

TEST_F(DatabaseClientTest, HostileTextsRoundTripExactlyThroughQuotedStatements) {
    connection_.Execute(
        "create table hostile (id INTEGER NOT NULL, msg MEDIUMTEXT, raw MEDIUMBLOB) "
        "CHARACTER SET UTF8;");
    const std::vector<std::string> texts = HostileTexts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        connection_.Execute("insert into hostile (id, msg, raw) values (" + std::to_string(i) +
                            "," + SqlQuoted(texts[i]) + "," + SqlQuoted(texts[i]) + ")");
    }
    const QueryResult rows = connection_.Query("SELECT * FROM hostile ORDER BY id");
    ASSERT_EQ(rows.RowCount(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(rows.Text(i, "msg"), texts[i]) << "text " << i;
        EXPECT_EQ(rows.Text(i, "raw"), texts[i]) << "text " << i;
        // The same value found again through a WHERE clause built the same way.
        const QueryResult found =
            connection_.Query("SELECT count(*) as numOfRecord FROM hostile WHERE BINARY msg = " +
                              SqlQuoted(texts[i]) + " AND id = " + std::to_string(i));
        EXPECT_EQ(found.Integer(0, "numOfRecord"), 1) << "text " << i;
    }
}

TEST_F(DatabaseClientTest, EveryByteValueRoundTripsThroughABinaryColumn) {
    connection_.Execute("create table bytes (raw BLOB)");
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    connection_.Execute("insert into bytes (raw) values (" + SqlQuoted(all) + ")");
    EXPECT_EQ(connection_.OpenTable("bytes").Text(0, "raw"), all);
}

TEST_F(DatabaseClientTest, InjectionAttemptsStayInsideTheirStatement) {
    connection_.Execute("create table victim (id INTEGER)");
    // Several statements in one text are refused, not run one after the other.
    EXPECT_NE(ErrorTextOf([&] { connection_.Execute("SELECT 1; DROP TABLE victim"); }), "");
    EXPECT_NE(ErrorTextOf([&] {
                  connection_.OpenTable("victim`; DROP TABLE victim; --");
              }).find("doesn't exist"),
              std::string::npos);
    EXPECT_EQ(connection_.OpenTable("victim").RowCount(), 0u);
}

TEST_F(DatabaseClientTest, RefusedStatementRaisesServerTextAndConnectionStaysUsable) {
    const std::string syntax = ErrorTextOf([&] { connection_.Execute("create tabel broken ("); });
    EXPECT_NE(syntax.find("You have an error in your SQL syntax"), std::string::npos) << syntax;
    const std::string missing =
        ErrorTextOf([&] { connection_.Query("SELECT * FROM no_such_table"); });
    EXPECT_NE(missing.find("no_such_table' doesn't exist"), std::string::npos) << missing;

    EXPECT_TRUE(connection_.Connected());
    // Rows of a statement run through Execute are drained, so the next statement works.
    connection_.Execute("SELECT 1");
    EXPECT_EQ(connection_.Query("SELECT 41 + 1 AS answer").Integer(0, "answer"), 42);
    EXPECT_EQ(connection_.Query("create table made_by_query (id INTEGER)").RowCount(), 0u);
}

TEST_F(DatabaseClientTest, WrongCredentialsRaiseTheServerText) {
    DatabaseConnection stranger;
    ConnectionParameters parameters = LocalServer(database_->Name());
    parameters.User_Name = "trevalon_no_such_user";
    parameters.Password = "wrong";
    const std::string text = ErrorTextOf([&] { stranger.Connect(parameters); });
    EXPECT_NE(text.find("Access denied for user 'trevalon_no_such_user'"), std::string::npos)
        << text;
    EXPECT_FALSE(stranger.Connected());

    parameters = LocalServer("trevalon_test_no_such_database");
    EXPECT_NE(ErrorTextOf([&] { stranger.Connect(parameters); }).find("Unknown database"),
              std::string::npos);
    parameters = LocalServer();
    parameters.Port = "not a port";
    EXPECT_EQ(ErrorTextOf([&] { stranger.Connect(parameters); }), "Invalid port 'not a port'");
    parameters.Port = "65536";
    EXPECT_EQ(ErrorTextOf([&] { stranger.Connect(parameters); }), "Invalid port '65536'");
    parameters.Port = "3306";
    parameters.Password = "pass\0word"s;
    EXPECT_NE(ErrorTextOf([&] { stranger.Connect(parameters); }).find("NUL"), std::string::npos);
    EXPECT_FALSE(stranger.Connected());
}

TEST_F(DatabaseClientTest, ClosedLoopbackPortIsRefusedWithoutWaiting) {
    const testing::ClosedLoopbackPort closed;
    DatabaseConnection connection;
    ConnectionParameters parameters = LocalServer();
    parameters.HostName = "127.0.0.1";
    parameters.Port = std::to_string(closed.Port());
    const std::string text = ErrorTextOf([&] { connection.Connect(parameters); });
    EXPECT_NE(text.find("Can't connect to server on '127.0.0.1'"), std::string::npos) << text;
    EXPECT_FALSE(connection.Connected());
}

TEST_F(DatabaseClientTest, KilledSessionRaisesAndAReconnectWorks) {
    const std::int64_t id = connection_.Query("SELECT CONNECTION_ID() AS id").Integer(0, "id");
    database_->Admin().Execute("KILL " + std::to_string(id));

    const std::string text = ErrorTextOf([&] { connection_.Query("SELECT 1 AS one"); });
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(connection_.Connected()) << text;
    EXPECT_EQ(ErrorTextOf([&] { connection_.Execute("SELECT 1"); }),
              "Not connected to the database server");

    connection_.Connect(LocalServer(database_->Name()));
    EXPECT_EQ(connection_.Query("SELECT 1 AS one").Integer(0, "one"), 1);
}

TEST_F(DatabaseClientTest, DisconnectIsQuietAndRepeatable) {
    connection_.Disconnect();
    connection_.Disconnect();
    EXPECT_FALSE(connection_.Connected());
    EXPECT_EQ(ErrorTextOf([&] { connection_.OpenTable("x"); }),
              "Not connected to the database server");
}

}  // namespace
}  // namespace trevalon
