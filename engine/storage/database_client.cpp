#include "engine/storage/database_client.h"

#include <charconv>
#include <memory>

#include <mariadb/errmsg.h>
#include <mariadb/mysqld_error.h>

#include "engine/storage/mariadb_library.h"
#include "engine/storage/session_modes.h"

namespace trevalon {
namespace {

// Long enough for a schema upgrade of a large syslog table, short enough that a server
// that stopped answering does not hold a thread for good.
constexpr unsigned int kConnectTimeoutSeconds = 10;
constexpr unsigned int kReadTimeoutSeconds = 600;
constexpr unsigned int kWriteTimeoutSeconds = 60;

const MariaDbLibrary& RequireLibrary() {
    const MariaDbLibrary* library = LoadedMariaDbLibrary();
    if (library == nullptr) {
        throw DatabaseError("The database client library is not loaded");
    }
    RegisterClientThread(*library);
    return *library;
}

unsigned int ParsePort(const std::string& port) {
    if (port.empty()) {
        return 0;  // the client's default port
    }
    unsigned int value = 0;
    const char* end = port.data() + port.size();
    const auto [stop, error] = std::from_chars(port.data(), end, value);
    if (error != std::errc{} || stop != end || value == 0 || value > 65535) {
        throw DatabaseError("Invalid port '" + port + "'");
    }
    return value;
}

void RequireNoNul(const ConnectionParameters& parameters) {
    for (const std::string* text : {&parameters.HostName, &parameters.User_Name,
                                    &parameters.Password, &parameters.Database}) {
        if (text->find('\0') != std::string::npos) {
            throw DatabaseError("A connection parameter contains a NUL character");
        }
    }
}

const char* NullIfEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

void ApplyOptions(const MariaDbLibrary& library, MYSQL* handle) {
    const my_bool noReconnect = 0;
    const unsigned int noLocalFiles = 0;
    library.options(handle, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    library.options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &kConnectTimeoutSeconds);
    library.options(handle, MYSQL_OPT_READ_TIMEOUT, &kReadTimeoutSeconds);
    library.options(handle, MYSQL_OPT_WRITE_TIMEOUT, &kWriteTimeoutSeconds);
    // A silent reconnect would lose the session settings; the caller reconnects instead.
    library.options(handle, MYSQL_OPT_RECONNECT, &noReconnect);
    library.options(handle, MYSQL_OPT_LOCAL_INFILE, &noLocalFiles);
}

bool ConnectionLost(unsigned int code) {
    return code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST ||
           code == CR_SERVER_LOST_EXTENDED || code == ER_CONNECTION_KILLED;
}

struct ResultRelease {
    const MariaDbLibrary* library;
    void operator()(MYSQL_RES* result) const { library->free_result(result); }
};
using ResultHandle = std::unique_ptr<MYSQL_RES, ResultRelease>;

}  // namespace

struct DatabaseConnection::Impl {
    const MariaDbLibrary* library = nullptr;
    MYSQL* handle = nullptr;
    // The statement prepared last, kept for the next rows of the same text.
    MYSQL_STMT* prepared = nullptr;
    std::string preparedText;

    void Close() {
        if (handle != nullptr) {
            RegisterClientThread(*library);
            ClosePrepared();
            library->close(handle);
            handle = nullptr;
        }
    }

    void ClosePrepared() {
        if (prepared != nullptr) {
            library->stmt_close(prepared);
            prepared = nullptr;
            preparedText.clear();
        }
    }

    [[noreturn]] void FailPrepared() {
        const unsigned int code = library->stmt_error_number(prepared);
        std::string text = library->stmt_error_text(prepared);
        ClosePrepared();
        if (ConnectionLost(code)) {
            Close();
        }
        throw DatabaseError(text.empty() ? "Unknown database error " + std::to_string(code) : text,
                            code);
    }

    MYSQL_STMT* Prepared(std::string_view statement) {
        MYSQL* connection = Require();
        if (prepared != nullptr && preparedText == statement) {
            return prepared;
        }
        ClosePrepared();
        prepared = library->stmt_init(connection);
        if (prepared == nullptr) {
            throw DatabaseError("Out of memory while preparing a statement");
        }
        if (library->stmt_prepare(prepared, statement.data(), statement.size()) != 0) {
            FailPrepared();
        }
        preparedText = statement;
        return prepared;
    }

    MYSQL* Require() {
        if (handle == nullptr) {
            // Only a lost connection leaves a used handle closed.
            throw DatabaseError("Not connected to the database server", CR_SERVER_GONE_ERROR);
        }
        RegisterClientThread(*library);
        return handle;
    }

    [[noreturn]] void Fail() {
        const unsigned int code = library->error_number(handle);
        std::string text = library->error_text(handle);
        if (ConnectionLost(code)) {
            Close();
        }
        throw DatabaseError(text.empty() ? "Unknown database error " + std::to_string(code) : text,
                            code);
    }

    // Sends one statement; the caller collects its result.
    void Send(std::string_view statement) {
        MYSQL* connection = Require();
        if (library->real_query(connection, statement.data(), statement.size()) != 0) {
            Fail();
        }
    }

    ResultHandle StoreResult() {
        ResultHandle result(library->store_result(handle), ResultRelease{library});
        if (result == nullptr && library->field_count(handle) != 0) {
            Fail();
        }
        return result;
    }
};

DatabaseConnection::DatabaseConnection() : impl_(std::make_unique<Impl>()) {}

DatabaseConnection::~DatabaseConnection() {
    Disconnect();
}

void DatabaseConnection::Connect(const ConnectionParameters& parameters) {
    Disconnect();
    const MariaDbLibrary& library = RequireLibrary();
    RequireNoNul(parameters);
    const unsigned int port = ParsePort(parameters.Port);

    MYSQL* handle = library.init(nullptr);
    if (handle == nullptr) {
        throw DatabaseError("Out of memory while creating a connection");
    }
    ApplyOptions(library, handle);
    // An empty or "localhost" host goes through the server's unix socket, as the mariadb
    // command-line client does.
    if (library.real_connect(handle, NullIfEmpty(parameters.HostName), parameters.User_Name.c_str(),
                             parameters.Password.c_str(), NullIfEmpty(parameters.Database), port,
                             nullptr, 0) == nullptr) {
        const std::string text = library.error_text(handle);
        const unsigned int code = library.error_number(handle);
        library.close(handle);
        throw DatabaseError(text, code);
    }
    impl_->library = &library;
    impl_->handle = handle;
    try {
        PrepareSession();
    } catch (...) {
        Disconnect();
        throw;
    }
}

// Statements carry values in double quotes with backslash escapes and the schema names the
// character set UTF8; the session is set so that both mean what the statements intend.
void DatabaseConnection::PrepareSession() {
    QueryResult modes;
    bool hasOldMode = true;
    try {
        modes = Query("SELECT @@SESSION.sql_mode AS sql_mode, @@SESSION.old_mode AS old_mode");
    } catch (const DatabaseError&) {
        if (!Connected()) {
            throw;
        }
        // Servers other than MariaDB have no old_mode.
        hasOldMode = false;
        modes = Query("SELECT @@SESSION.sql_mode AS sql_mode");
    }
    std::string settings;
    const std::string sqlMode = modes.Text(0, "sql_mode");
    const std::string safeSqlMode = StatementSafeSqlMode(sqlMode);
    if (safeSqlMode != sqlMode) {
        // Single quotes: the current mode may still treat double quotes as identifiers.
        settings = "sql_mode = '" + safeSqlMode + "'";
    }
    if (hasOldMode) {
        const std::string oldMode = modes.Text(0, "old_mode");
        const std::string fullUtf8OldMode = FullUtf8OldMode(oldMode);
        if (fullUtf8OldMode != oldMode) {
            settings += settings.empty() ? "" : ", ";
            settings += "old_mode = '" + fullUtf8OldMode + "'";
        }
    }
    if (!settings.empty()) {
        Execute("SET SESSION " + settings);
    }
}

void DatabaseConnection::Disconnect() {
    impl_->Close();
}

bool DatabaseConnection::Connected() const {
    return impl_->handle != nullptr;
}

void DatabaseConnection::Execute(std::string_view statement) {
    impl_->Send(statement);
    // A statement that unexpectedly returns rows must still be drained, or the connection
    // stays busy for the next one.
    impl_->StoreResult();
}

void DatabaseConnection::ExecuteForRows(std::string_view statement, std::size_t columns,
                                        const std::vector<std::string_view>& values) {
    if (columns == 0 || values.empty() || values.size() % columns != 0) {
        throw DatabaseError("No rows to execute the statement for");
    }
    MYSQL_STMT* prepared = impl_->Prepared(statement);
    const MariaDbLibrary& library = *impl_->library;
    const std::size_t rows = values.size() / columns;
    // Column-wise: per column an array of value pointers and one of lengths.
    std::vector<char*> pointers(values.size());
    std::vector<unsigned long> lengths(values.size());
    std::vector<MYSQL_BIND> binds(columns);
    for (std::size_t column = 0; column < columns; ++column) {
        for (std::size_t row = 0; row < rows; ++row) {
            const std::string_view value = values[row * columns + column];
            pointers[column * rows + row] = const_cast<char*>(value.data());
            lengths[column * rows + row] = static_cast<unsigned long>(value.size());
        }
        MYSQL_BIND& bind = binds[column];
        bind = MYSQL_BIND{};
        bind.buffer_type = MYSQL_TYPE_STRING;
        bind.buffer = &pointers[column * rows];
        bind.length = &lengths[column * rows];
    }
    const unsigned int arraySize = static_cast<unsigned int>(rows);
    if (library.stmt_attr_set(prepared, STMT_ATTR_ARRAY_SIZE, &arraySize) != 0 ||
        library.stmt_bind_param(prepared, binds.data()) != 0 ||
        library.stmt_execute(prepared) != 0) {
        impl_->FailPrepared();
    }
}

QueryResult DatabaseConnection::Query(std::string_view statement) {
    impl_->Send(statement);
    const ResultHandle result = impl_->StoreResult();
    if (result == nullptr) {
        return {};
    }
    const MariaDbLibrary& library = *impl_->library;
    const unsigned int fieldCount = library.num_fields(result.get());
    const MYSQL_FIELD* fields = library.fetch_fields(result.get());
    std::vector<std::string> columns;
    columns.reserve(fieldCount);
    for (unsigned int i = 0; i < fieldCount; ++i) {
        columns.emplace_back(fields[i].name, fields[i].name_length);
    }
    std::vector<std::vector<std::optional<std::string>>> rows;
    while (MYSQL_ROW row = library.fetch_row(result.get())) {
        const unsigned long* lengths = library.fetch_lengths(result.get());
        std::vector<std::optional<std::string>>& values = rows.emplace_back();
        values.reserve(fieldCount);
        for (unsigned int i = 0; i < fieldCount; ++i) {
            if (row[i] == nullptr) {
                values.emplace_back(std::nullopt);
            } else {
                values.emplace_back(std::string(row[i], lengths[i]));
            }
        }
    }
    return QueryResult(std::move(columns), std::move(rows));
}

QueryResult DatabaseConnection::OpenTable(std::string_view table) {
    std::string statement = "SELECT * FROM `";
    for (const char c : table) {
        statement += c;
        if (c == '`') {
            statement += '`';
        }
    }
    statement += '`';
    return Query(statement);
}

bool LoadDatabaseLibrary(const std::string& libraryPath, std::string* error) {
    return LoadMariaDbLibrary(libraryPath, error) != nullptr;
}

bool DatabaseLibraryLoaded() {
    return LoadedMariaDbLibrary() != nullptr;
}

}  // namespace trevalon
