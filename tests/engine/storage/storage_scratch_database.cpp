#include "tests/engine/storage/storage_scratch_database.h"

#include <stdexcept>

#include <unistd.h>

#include "engine/storage/schema_statements.h"

namespace trevalon::testing {

// The test cases of one program run as separate processes, possibly at the same time, so each
// process gets a database of its own.
SchemaScratchDatabase::SchemaScratchDatabase(const TempInstallation& installation,
                                             std::string name) {
    installation.InstallDriverLibrary();
    std::string error;
    if (!LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3", &error)) {
        throw std::runtime_error("cannot load the database client: " + error);
    }
    scratch_ = std::make_unique<ScratchDatabase>(name + "_" + std::to_string(getpid()), false);
    Execute(CreateDatabaseStatement(Name()));
    Execute("USE " + Name());
    for (const TableSchema& table : SchemaTables(Name())) {
        for (const std::string& statement : table.Statements) {
            Execute(statement);
        }
    }
}

std::int64_t SchemaScratchDatabase::Count(std::string_view table) {
    return Connection().Query("SELECT count(*) AS n FROM " + std::string(table)).Integer(0, "n");
}

}  // namespace trevalon::testing
