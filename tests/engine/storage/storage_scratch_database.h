#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/database_client.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/temp_installation.h"

namespace trevalon::testing {

// A scratch database with the system's nine tables, made by the system's own statements. Its
// name is the given one with the process id appended.
class SchemaScratchDatabase {
  public:
    SchemaScratchDatabase(const TempInstallation& installation, std::string name);

    DatabaseConnection& Connection() { return scratch_->Admin(); }
    const std::string& Name() const { return scratch_->Name(); }
    void Execute(std::string_view statement) { Connection().Execute(statement); }
    std::int64_t Count(std::string_view table);

  private:
    // Made once the client library is loaded.
    std::unique_ptr<ScratchDatabase> scratch_;
};

}  // namespace trevalon::testing
