#pragma once

#include <string>

namespace trevalon::testing {

// The account of the local MariaDB server the tests log in with. `scripts/test.sh` sets it up
// (scripts/database-account.sh) and keeps it in the [Database] keys of an INI file: the one
// TREVALON_TEST_DATABASE_INI names, else ${XDG_CONFIG_HOME:-~/.config}/varnholt/
// test-database.ini, which every checkout on the machine shares as it shares the server.
// Missing, it reads as empty, and every database test fails with the server's refusal.
struct TestDatabaseAccount {
    std::string user;
    std::string password;
};

const TestDatabaseAccount& TheTestDatabaseAccount();

// Where the account is kept, for messages that say how to set it up.
std::string TestDatabaseAccountFile();

// The account as SysInit.ini lines, for tests that write a whole settings file.
std::string TestDatabaseAccountSection();

}  // namespace trevalon::testing
