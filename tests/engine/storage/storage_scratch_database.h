#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/storage/database_client.h"
#include "tests/support/temp_installation.h"

namespace trevalon::testing {

// A database of its own on the local server with the system's nine tables, reached with the
// installation's settings (root, empty password, localhost:3306 by default). Its name is the
// given one with the process id appended; it is dropped at the end.
class SchemaScratchDatabase {
  public:
    SchemaScratchDatabase(const TempInstallation& installation, std::string name);
    ~SchemaScratchDatabase();
    SchemaScratchDatabase(const SchemaScratchDatabase&) = delete;
    SchemaScratchDatabase& operator=(const SchemaScratchDatabase&) = delete;

    DatabaseConnection& Connection() { return connection_; }
    const std::string& Name() const { return name_; }
    void Execute(std::string_view statement) { connection_.Execute(statement); }
    std::int64_t Count(std::string_view table);

  private:
    ConnectionParameters Parameters(std::string database) const;

    std::string name_;
    DatabaseConnection connection_;
};

}  // namespace trevalon::testing
