#include "tests/engine/storage/storage_scratch_database.h"

#include <stdexcept>

#include <unistd.h>

#include "engine/storage/schema_statements.h"
#include "foundation/engine_settings.h"

namespace trevalon::testing {

// The test cases of one program run as separate processes, possibly at the same time, so each
// process gets a database of its own.
SchemaScratchDatabase::SchemaScratchDatabase(const TempInstallation& installation, std::string name)
    : name_(std::move(name) + "_" + std::to_string(getpid())) {
    installation.InstallDriverLibrary();
    std::string error;
    if (!LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3", &error)) {
        throw std::runtime_error("cannot load the database client: " + error);
    }
    connection_.Connect(Parameters(""));
    connection_.Execute("DROP DATABASE IF EXISTS " + name_);
    connection_.Execute(CreateDatabaseStatement(name_));
    connection_.Connect(Parameters(name_));
    for (const TableSchema& table : SchemaTables(name_)) {
        for (const std::string& statement : table.Statements) {
            connection_.Execute(statement);
        }
    }
}

SchemaScratchDatabase::~SchemaScratchDatabase() {
    try {
        connection_.Connect(Parameters(""));
        connection_.Execute("DROP DATABASE IF EXISTS " + name_);
    } catch (const DatabaseError&) {
        // The next run drops the leftover before it starts.
    }
}

std::int64_t SchemaScratchDatabase::Count(std::string_view table) {
    return connection_.Query("SELECT count(*) AS n FROM " + std::string(table)).Integer(0, "n");
}

ConnectionParameters SchemaScratchDatabase::Parameters(std::string database) const {
    const EngineSettings::DatabaseSection& settings = TheEngineSettings().Database;
    return {settings.Host, settings.Port, settings.DBUsername, settings.DBPassword,
            std::move(database)};
}

}  // namespace trevalon::testing
