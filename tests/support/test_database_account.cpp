#include "tests/support/test_database_account.h"

#include <cstdlib>

#include "platform/ini_file.h"

namespace trevalon::testing {

std::string TestDatabaseAccountFile() {
    const auto variable = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    };
    if (std::string chosen = variable("TREVALON_TEST_DATABASE_INI"); !chosen.empty()) {
        return chosen;
    }
    const std::string configHome = variable("XDG_CONFIG_HOME");
    return (configHome.empty() ? variable("HOME") + "/.config" : configHome) +
           "/varnholt/test-database.ini";
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
