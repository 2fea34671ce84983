#pragma once

#include <string>
#include <string_view>

#include "engine/storage/database_client.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"
#include "tests/support/test_database_account.h"

namespace trevalon::testing {

// The local server every database test runs against, with the tests' account.
ConnectionParameters LocalServer(std::string database = "");

// A database name of this test process's own: "trevalon_test_<purpose>_<pid>".
std::string TestDatabaseName(std::string_view purpose);

// Loads the client library from the installation's dll/ folder; fails the test loudly when
// the library cannot be loaded or the server cannot be reached.
void RequireServer(const TempInstallation& installation);

// Makes the system's own database exist, as an earlier start of a program would have left it,
// so that a start-up logs no connection error for it. Tests that use it hold the ctest
// resource lock "system_database".
void CreateSystemDatabase();

// A database of the test's own, dropped on entry and again on exit. `create` makes it
// exist (empty) in between; otherwise it is left missing for the code under test to create.
class ScratchDatabase {
  public:
    ScratchDatabase(std::string name, bool create);
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }
    // An administrator's connection opened on the database (or on none when it is missing).
    DatabaseConnection& Admin() { return admin_; }

  private:
    std::string name_;
    DatabaseConnection admin_;
};

// "insert into <table> (<columns>,<every facility and severity flag>) values (<values>,"y",...)":
// a rule that passes every message's facility and severity.
std::string InsertRuleForEveryMessage(std::string_view table, std::string_view columns,
                                      std::string_view values);

// Every diagnostic line written so far into the installation's log folder.
std::string DiagnosticLogText(const TempInstallation& installation);

}  // namespace trevalon::testing
