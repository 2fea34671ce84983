#include <gtest/gtest.h>

#include "engine/storage/database_client.h"
#include "engine/storage/dm_kestrine.h"
#include "foundation/program_end.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/temp_installation.h"

// These cases need a process in which the client library has not been loaded; the last case
// loads it, so it must stay last.
namespace trevalon {
namespace {

using testing::DiagnosticLogText;
using testing::TempInstallation;

TEST(DatabaseLibrary, MissingLibraryIsReportedWithTheLoaderText) {
    TempInstallation installation;
    std::string error;
    EXPECT_FALSE(LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3", &error));
    EXPECT_NE(error.find("libmariadb.so.3"), std::string::npos) << error;
    EXPECT_FALSE(DatabaseLibraryLoaded());
}

TEST(DatabaseLibrary, ConnectWithoutTheLibraryRaises) {
    DatabaseConnection connection;
    try {
        connection.Connect(testing::LocalServer());
        FAIL() << "connected without a client library";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "The database client library is not loaded");
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_THROW(connection.Execute("SELECT 1"), DatabaseError);
    EXPECT_THROW(connection.Query("SELECT 1"), DatabaseError);
}

TEST(DatabaseLibrary, DataModuleWithoutDriverLogsConnectionError) {
    TempInstallation installation;
    const PublishedSettings settings(installation.Settings());
    TDMKestrine module(settings, "trevalon_test_nodriver");
    EXPECT_FALSE(module.ConnectDatabase(false));
    EXPECT_FALSE(module.Connection().Connected());
    const std::string log = DiagnosticLogText(installation);
    EXPECT_NE(log.find("[ERROR] ERR00101 : Connot make connection to MySQL database. : "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("libmariadb.so.3"), std::string::npos) << log;
    EXPECT_FALSE(ProgramEndRequested());
}

TEST(DatabaseLibrary, FirstSuccessfulLoadStaysForTheProcess) {
    TempInstallation installation;
    installation.InstallDriverLibrary();
    ASSERT_TRUE(LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3"));
    EXPECT_TRUE(DatabaseLibraryLoaded());
    EXPECT_TRUE(LoadDatabaseLibrary("/nonexistent/libmariadb.so.3"));
}

}  // namespace
}  // namespace trevalon
