#include "engine/storage/dm_kestrine.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "engine/storage/server_outage.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/engine_settings.h"
#include "foundation/program_end.h"

namespace trevalon {
namespace {

constexpr std::size_t kMaxDatabaseNameLength = 64;

bool PlainIdentifier(std::string_view name) {
    return !name.empty() && name.size() <= kMaxDatabaseNameLength &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
           });
}

std::string CannotCreateTableText(std::string_view tableName) {
    const std::string_view pattern = catalogue::kCannotCreateTable;
    const std::size_t placeholder = pattern.find("%s");
    std::string text(pattern.substr(0, placeholder));
    text += tableName;
    text += pattern.substr(placeholder + 2);
    return text;
}

// The server's refusals of an account: ER_DBACCESS_DENIED_ERROR, ER_ACCESS_DENIED_ERROR and
// ER_ACCESS_DENIED_NO_PASSWORD_ERROR.
bool AccountRefused(unsigned int serverCode) {
    return serverCode == 1044 || serverCode == 1045 || serverCode == 1698;
}

// Logs a bootstrap failure that the program cannot continue from.
void ReportFatal(const std::string& line) {
    WriteDiagnostic(line, kLevelError);
    RequestProgramEnd(line);
}

}  // namespace

TDMKestrine::TDMKestrine(const PublishedSettings& settings, std::string databaseName)
    : settings_(settings), databaseName_(std::move(databaseName)) {
    if (!PlainIdentifier(databaseName_)) {
        throw std::invalid_argument("invalid database name '" + databaseName_ + "'");
    }
    const std::string appPath = settings_.Current()->AppPath;
    if (DriverLibraryPresent(appPath)) {
        LoadDatabaseLibrary(DriverLibraryPath(appPath));
    }
}

bool TDMKestrine::ConnectDatabase(bool serverLevel) {
    connection_.Disconnect();
    const SettingsSnapshot current = settings_.Current();
    const EngineSettings::DatabaseSection& settings = current->Database;
    ConnectionParameters parameters;
    parameters.HostName = settings.Host;
    parameters.Port = settings.Port;
    parameters.User_Name = settings.DBUsername;
    parameters.Password = settings.DBPassword;
    parameters.Database = serverLevel ? std::string(kServerDatabaseName) : databaseName_;
    try {
        std::string loadError;
        if (!LoadDatabaseLibrary(DriverLibraryPath(current->AppPath), &loadError)) {
            throw DatabaseError(loadError);
        }
        connection_.Connect(parameters);
    } catch (const DatabaseError& error) {
        WriteDiagnostic(WithErrorText(catalogue::kCannotConnectDatabase, error.what()),
                        kLevelError);
        credentialsRefused_ = AccountRefused(error.ServerCode());
        serverUnreachable_ = trevalon::ServerUnreachable(error);
        return false;
    }
    credentialsRefused_ = false;
    serverUnreachable_ = false;
    return connection_.Connected();
}

void TDMKestrine::CreateDatabase() {
    const std::string statement = CreateDatabaseStatement(databaseName_);
    Observe(statement);
    try {
        connection_.Execute(statement);
    } catch (const DatabaseError& error) {
        ReportFatal(WithErrorText(catalogue::kCannotCreateDatabase, error.what()));
        return;
    }
    if (ConnectDatabase(false)) {
        CreateMissingTables();
    }
}

void TDMKestrine::CreateMissingTables() {
    if (!connection_.Connected()) {
        return;
    }
    for (const TableSchema& table : SchemaTables(databaseName_)) {
        if (ObjectExists(table.Name)) {
            continue;
        }
        for (const std::string& statement : table.Statements) {
            ExecuteStatement(statement, table.Name);
        }
    }
    UpgradeSyslogMessage();
    AddRepeatSeconds();
    AddSyslogHistoryIndexes();
}

bool TDMKestrine::ObjectExists(std::string_view tableName) {
    Observe(kShowTablesStatement);
    try {
        const QueryResult tables = connection_.Query(kShowTablesStatement);
        for (std::size_t row = 0; row < tables.RowCount(); ++row) {
            if (tables.FirstField(row) == tableName) {
                return true;
            }
        }
    } catch (const DatabaseError&) {
        // A table list that cannot be read counts as a missing table.
    }
    return false;
}

bool TDMKestrine::ExecuteStatement(std::string_view statement, std::string_view tableName) {
    Observe(statement);
    try {
        connection_.Execute(statement);
        return true;
    } catch (const DatabaseError& error) {
        ReportFatal(WithErrorText(CannotCreateTableText(tableName), error.what()));
        return false;
    }
}

std::optional<std::map<std::string, std::string>> TDMKestrine::ColumnTypes(
    const std::string& describe) {
    Observe(describe);
    try {
        const QueryResult columns = connection_.Query(describe);
        std::map<std::string, std::string> types;
        for (std::size_t row = 0; row < columns.RowCount(); ++row) {
            types.emplace(columns.Text(row, "Field"), columns.Text(row, "Type"));
        }
        return types;
    } catch (const DatabaseError&) {
        // Without a readable column list nothing is changed.
        return std::nullopt;
    }
}

void TDMKestrine::UpgradeSyslogMessage() {
    const auto columns = ColumnTypes(DescribeSyslogStatement(databaseName_));
    if (!columns) {
        return;
    }
    const auto msg = columns->find("msg");
    if (msg != columns->end() && msg->second != "mediumtext" && msg->second != "MEDIUMTEXT") {
        ExecuteStatement(UpgradeSyslogMessageStatement(databaseName_), "syslog");
    }
}

void TDMKestrine::AddRepeatSeconds() {
    const auto columns = ColumnTypes(DescribeFilteringStatement(databaseName_));
    if (columns && !columns->empty() && !columns->contains(std::string(kRepeatSecondsColumn))) {
        ExecuteStatement(AddRepeatSecondsStatement(databaseName_), "filtering");
    }
}

void TDMKestrine::AddSyslogHistoryIndexes() {
    const std::string show = ShowSyslogIndexesStatement(databaseName_);
    Observe(show);
    std::vector<std::string> present;
    try {
        const QueryResult indexes = connection_.Query(show);
        for (std::size_t row = 0; row < indexes.RowCount(); ++row) {
            present.push_back(indexes.Text(row, "Key_name"));
        }
    } catch (const DatabaseError&) {
        // Without a readable index list nothing is changed.
        return;
    }
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        if (std::find(present.begin(), present.end(), index.Name) != present.end()) {
            continue;
        }
        Observe(index.Statement);
        try {
            connection_.Execute(index.Statement);
        } catch (const DatabaseError& error) {
            // Only the history charts are slower without it: logged, and the program goes on.
            WriteDiagnostic(WithErrorText(CannotCreateTableText("syslog"), error.what()),
                            kLevelError);
        }
    }
}

void TDMKestrine::Observe(std::string_view statement) const {
    if (observer_) {
        observer_(statement);
    }
}

}  // namespace trevalon
