#pragma once

// The data module: the program's one shared database connection, and the bootstrap that
// creates the database and its tables at start-up.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "engine/storage/database_client.h"
#include "engine/storage/schema_statements.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// The data module: the one shared database connection of the program and the bootstrap that
// creates the database and its tables. Used from the main thread only.
class TDMKestrine {
  public:
    // Sees the text of every statement the module sends, just before it is sent.
    using StatementObserver = std::function<void(std::string_view statement)>;

    // Connects with the account and server of the current `settings`, which must outlive the
    // module. `databaseName` must be a plain identifier (letters, digits, '_', '$'); anything
    // else raises std::invalid_argument, since it is placed unquoted into the statements.
    explicit TDMKestrine(const PublishedSettings& settings,
                         std::string databaseName = std::string(kDefaultDatabaseName));
    TDMKestrine(const TDMKestrine&) = delete;
    TDMKestrine& operator=(const TDMKestrine&) = delete;

    // Connects the shared connection to the system's database, or to the server's own
    // database when `serverLevel` is set. Logs ERR00101 and returns false on failure.
    bool ConnectDatabase(bool serverLevel);
    // Whether the last failed connection was refused for the account (its name, password or
    // rights) rather than for an unreachable server: only a person can mend that.
    bool CredentialsRefused() const { return credentialsRefused_; }
    // Whether the last failed connection found no server to answer (ServerUnreachable).
    bool ServerUnreachable() const { return serverUnreachable_; }
    // On the server-level connection: creates the database, reconnects to it and creates
    // its tables. Logs ERR00104 and asks the program to end when the database cannot be made.
    void CreateDatabase();
    // Creates every missing table with its indexes and seed rows, then upgrades syslog.msg and
    // gives filtering its repeat limit column when it lacks one, and adds the history indexes the
    // syslog table lacks.
    void CreateMissingTables();
    // Whether the connected database has a table of exactly this name; false on any error.
    bool ObjectExists(std::string_view tableName);
    // Runs one bootstrap statement for `tableName`. On failure logs ERR00105 naming the table,
    // asks the program to end and returns false; later statements may still run.
    bool ExecuteStatement(std::string_view statement, std::string_view tableName);

    DatabaseConnection& Connection() { return connection_; }
    const std::string& DatabaseName() const { return databaseName_; }
    void SetStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

  private:
    // The Type of each column of a table, by Field; nullopt when the list cannot be read.
    std::optional<std::map<std::string, std::string>> ColumnTypes(const std::string& describe);
    void UpgradeSyslogMessage();
    void AddRepeatSeconds();
    void AddSyslogHistoryIndexes();
    void Observe(std::string_view statement) const;

    const PublishedSettings& settings_;
    std::string databaseName_;
    DatabaseConnection connection_;
    StatementObserver observer_;
    bool credentialsRefused_ = false;
    bool serverUnreachable_ = false;
};

}  // namespace trevalon
