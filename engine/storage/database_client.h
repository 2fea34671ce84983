#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

// Raised by the client; what() is the server's or the driver's own message text.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const std::string& text, unsigned int serverCode = 0)
        : std::runtime_error(text), serverCode_(serverCode) {}
    // The client library's error number; 0 when the failure did not come from it.
    unsigned int ServerCode() const { return serverCode_; }

  private:
    unsigned int serverCode_;
};

struct ConnectionParameters {
    std::string HostName;
    std::string Port;
    std::string User_Name;
    std::string Password;
    std::string Database;
};

// Rows of one query, read completely, in the order the server returned them.
class QueryResult {
  public:
    QueryResult() = default;
    QueryResult(std::vector<std::string> columns,
                std::vector<std::vector<std::optional<std::string>>> rows);

    std::size_t RowCount() const { return rows_.size(); }
    const std::vector<std::string>& Columns() const { return columns_; }

    // Fields by column name (letter case ignored, as the server does); NULL reads as "" or 0.
    // An unknown column raises DatabaseError.
    std::string Text(std::size_t row, std::string_view column) const;
    std::int64_t Integer(std::size_t row, std::string_view column) const;
    bool IsNull(std::size_t row, std::string_view column) const;
    // The first field of a row ("show tables", "show databases").
    std::string FirstField(std::size_t row) const;

  private:
    std::size_t ColumnIndex(std::string_view column) const;

    std::vector<std::string> columns_;
    std::vector<std::vector<std::optional<std::string>>> rows_;
};

// Loads the client library (libmariadb.so.3) once per process. Returns false and fills
// `error` when it cannot be loaded. Connections fail with DatabaseError until it is loaded.
bool LoadDatabaseLibrary(const std::string& libraryPath, std::string* error = nullptr);
bool DatabaseLibraryLoaded();

// One connection to the server, used by one thread at a time.
class DatabaseConnection {
  public:
    DatabaseConnection();
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    // Closes any open connection first. Raises DatabaseError with the server's text.
    void Connect(const ConnectionParameters& parameters);
    void Disconnect();
    bool Connected() const;

    // A statement that returns no rows; parameter markers are not interpreted.
    void Execute(std::string_view statement);
    // Runs `statement`, whose parameter markers take text values, once for each row of `values`
    // (row after row, `columns` values each), as one statement sent in one piece. The prepared
    // statement is kept for the next call with the same text. Raises DatabaseError.
    void ExecuteForRows(std::string_view statement, std::size_t columns,
                        const std::vector<std::string_view>& values);
    QueryResult Query(std::string_view statement);
    // All rows of a table, first to last.
    QueryResult OpenTable(std::string_view table);

  private:
    void PrepareSession();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Places a value inside a double-quoted statement text so that nothing in it can end the
// quotes: SqlQuoted("a\"b") gives "\"a\\\"b\"". SqlEscaped gives the same without the quotes.
std::string SqlEscaped(std::string_view value);
std::string SqlQuoted(std::string_view value);
// Appends SqlQuoted(value) to `text`.
void AppendSqlQuoted(std::string& text, std::string_view value);

}  // namespace trevalon
