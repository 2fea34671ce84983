#include "tests/support/test_database_account.h"

#include <cstdlib>

#include "platform/ini_file.h"

namespace trevalon::testing {

std::string TestDatabaseAccountFile() {
    const char* chosen = std::getenv("TREVALON_TEST_DATABASE_INI");
    return chosen != nullptr && *chosen != '\0' ? chosen : TREVALON_TEST_DATABASE_INI;
}

const TestDatabaseAccount& TheTestDatabaseAccount() {
    static const TestDatabaseAccount account = [] {
        const platform::IniFile file(TestDatabaseAccountFile());
        return TestDatabaseAccount{file.ReadString("Database", "DBUsername", ""),
                                   file.ReadString("Database", "DBPassword", "")};
    }();
    return account;
}

std::string TestDatabaseAccountSection() {
    const TestDatabaseAccount& account = TheTestDatabaseAccount();
    return "[Database]\nDBUsername=" + account.user + "\nDBPassword=" + account.password + "\n";
}

}  // namespace trevalon::testing
