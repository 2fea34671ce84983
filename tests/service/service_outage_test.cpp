#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/socket.h>

#include <gtest/gtest.h>

#include "engine/storage/database_client.h"
#include "engine/storage/row_spool.h"
#include "foundation/clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/private_database_server.h"
#include "tests/support/program_process.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::Eventually;
using testing::PrivateDatabaseServer;
using testing::ProgramProcess;
using testing::ReadWholeFile;
using testing::TempInstallation;
using testing::WriteWholeFile;

constexpr auto kPatience = 60s;

std::string RowText(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "row-%05d", n);
    return text;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += text + " ";
    }
    return joined;
}

// Whether the text holds `line` at least twice: the diagnostic log keeps both runs' lines.
bool Twice(const std::string& text, const std::string& line) {
    return text.find(line) != text.rfind(line);
}

// TrevalonService against a server of the test's own, stopped while the service receives,
// with the service stopped and started again during the outage.
TEST(ServiceOutage, RowsOfAnOutageAndOfARestartDuringItAreStoredOnceInOrderWhenTheServerAnswers) {
    if (!PrivateDatabaseServer::Available()) {
        GTEST_SKIP() << "mariadb-install-db and mariadbd are not installed";
    }
    TempInstallation installation;
    installation.InstallDriverLibrary();
    PrivateDatabaseServer server;
    WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                   "[System]\nSysLogPort=0\n[Database]\nHost=" + server.Host() +
                       "\nPort=" + server.Port() + "\nDBUsername=" + PrivateDatabaseServer::kUser +
                       "\nDBPassword=" + PrivateDatabaseServer::kPassword + "\n");
    ASSERT_TRUE(LoadDatabaseLibrary(installation.DllFolder() + "libmariadb.so.3"));
    const auto storedRows = [&server] {
        DatabaseConnection connection;
        connection.Connect(server.Parameters("trevalon"));
        const QueryResult rows = connection.Query("select msg from syslog");
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            texts.push_back(rows.Text(row, "msg"));
        }
        return texts;
    };
    const std::string syslogFile =
        installation.LogFolder() + "syslog_" + FormatDate(LocalNow()) + ".log";
    std::vector<std::string> sent;
    const auto send = [&](ProgramProcess& service, int from, int to) {
        const std::uint16_t port = service.ReceivingPort(SOCK_DGRAM);
        for (int n = from; n < to; ++n) {
            testing::SendLoopbackDatagram(port, "<13>" + RowText(n));
            sent.push_back(RowText(n));
        }
        // Received: in the file.
        return Eventually(
            [&] { return ReadWholeFile(syslogFile).find(RowText(to - 1)) != std::string::npos; },
            kPatience);
    };

    {
        ProgramProcess service(installation, {TREVALON_SERVICE_PROGRAM});
        ASSERT_TRUE(service.StartReceiving(kPatience)) << service.Log();
        ASSERT_TRUE(send(service, 0, 10));
        ASSERT_TRUE(Eventually([&] { return storedRows().size() == 10; }, kPatience));
        server.Stop();
        // The first row finds the outage; the rows after it are held in the order they came.
        ASSERT_TRUE(send(service, 10, 11));
        ASSERT_TRUE(
            service.WaitForLog("MySQL server cannot take rows; received rows are held", kPatience));
        ASSERT_TRUE(send(service, 11, 60));
        EXPECT_EQ(service.Terminate(), 0) << service.Log();
    }
    EXPECT_GT(std::filesystem::file_size(RowSpoolPath(installation.LogFolder())),
              RowSpool::kHeaderSize);

    ProgramProcess service(installation, {TREVALON_SERVICE_PROGRAM});
    service.Start();
    // The diagnostic log holds the first run's lines too.
    ASSERT_TRUE(
        Eventually([&] { return Twice(service.Log(), "[INFO] Trevalon starts."); }, kPatience))
        << service.Log();
    EXPECT_TRUE(
        service.WaitForLog("[WARMING] MySQL server cannot be reached; reception starts "
                           "without it and the database start-up follows when it "
                           "answers.",
                           kPatience))
        << service.Log();
    ASSERT_TRUE(send(service, 60, 80));
    server.Start();
    ASSERT_TRUE(Eventually([&] { return storedRows().size() >= 80; }, kPatience)) << service.Log();
    // Rows stored at once go in parallel, in any order; held rows keep theirs.
    std::vector<std::string> stored = storedRows();
    ASSERT_EQ(stored.size(), sent.size());
    std::sort(stored.begin(), stored.begin() + 11);
    EXPECT_EQ(Joined(stored), Joined(sent));
    EXPECT_TRUE(
        service.WaitForLog("MySQL server takes rows again; 70 held rows were stored", kPatience))
        << service.Log();
    // The start-up finished once the server answered.
    EXPECT_TRUE(
        Eventually([&] { return Twice(service.Log(), "[INFO] Application starts."); }, kPatience))
        << service.Log();
    EXPECT_EQ(service.Terminate(), 0);
    EXPECT_EQ(service.Log().find("MySQL Backup Error"), std::string::npos) << service.Log();
}

}  // namespace
}  // namespace trevalon
