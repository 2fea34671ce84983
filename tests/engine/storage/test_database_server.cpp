#include "tests/engine/storage/test_database_server.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/storage/schema_statements.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon::testing {

ConnectionParameters LocalServer(std::string database) {
    const TestDatabaseAccount& account = TheTestDatabaseAccount();
    return ConnectionParameters{"localhost", "3306", account.user, account.password,
                                std::move(database)};
}

std::string TestDatabaseName(std::string_view purpose) {
    return "trevalon_test_" + std::string(purpose) + "_" + std::to_string(getpid());
}

void RequireServer(const TempInstallation& installation) {
    installation.InstallDriverLibrary();
    std::string error;
    ASSERT_TRUE(LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3", &error)) << error;
    DatabaseConnection probe;
    try {
        probe.Connect(LocalServer());
    } catch (const DatabaseError& e) {
        FAIL() << "The local MariaDB server cannot be reached with the tests' account of "
               << TestDatabaseAccountFile()
               << " (scripts/test.sh starts the server and sets the account up): " << e.what();
    }
}

void CreateSystemDatabase() {
    DatabaseConnection admin;
    admin.Connect(LocalServer());
    admin.Execute(CreateDatabaseStatement(kDefaultDatabaseName));
}

ScratchDatabase::ScratchDatabase(std::string name, bool create) : name_(std::move(name)) {
    admin_.Connect(LocalServer());
    admin_.Execute("DROP DATABASE IF EXISTS " + name_);
    if (create) {
        admin_.Execute("CREATE DATABASE " + name_ + " CHARACTER SET utf8mb4");
        admin_.Execute("USE " + name_);
    }
}

ScratchDatabase::~ScratchDatabase() {
    try {
        admin_.Connect(LocalServer());
        admin_.Execute("DROP DATABASE IF EXISTS " + name_);
    } catch (const DatabaseError& e) {
        ADD_FAILURE() << "cannot drop " << name_ << ": " << e.what();
    }
}

std::string DiagnosticLogText(const TempInstallation& installation) {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(installation.LogFolder())) {
        text += ReadWholeFile(entry.path().string());
    }
    return text;
}

std::string InsertRuleForEveryMessage(std::string_view table, std::string_view columns,
                                      std::string_view values) {
    std::string names(columns);
    std::string flags(values);
    for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
        names += "," + FacilityRuleColumn(facility);
        flags += ",\"y\"";
    }
    for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
        names += "," + SeverityRuleColumn(severity);
        flags += ",\"y\"";
    }
    return "insert into " + std::string(table) + " (" + names + ") values (" + flags + ")";
}

}  // namespace trevalon::testing
