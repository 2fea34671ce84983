// TrevalonManager run as a program, offscreen, against the local MariaDB.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/storage/database_client.h"
#include "foundation/clock.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/program_process.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::Eventually;
using testing::ProgramProcess;

// Reception waits for the start-up timer of a few seconds.
constexpr auto kPatience = 30s;

TEST(ManagerProgram, ReceivesIntoFileAndTableRefusesASecondInstanceAndEndsOnSigterm) {
    testing::TempInstallation installation;
    ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation));
    testing::CreateSystemDatabase();
    const std::string marker =
        "mgr" + std::to_string(getpid()) + "x" + std::to_string(LocalNow().second) + "y";
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            "[System]\nSysLogPort=0\nSysLogTCPEnable=1\nSysLogTCPPort=0\n"
                            "SysLogMessageIPType=2\nVersionCheckURL=\n" +
                                testing::TestDatabaseAccountSection());
    // Without its help set the program would stop at a warning nobody can answer offscreen.
    std::filesystem::create_directories(installation.AppPath() + "/help");
    testing::WriteWholeFile(installation.AppPath() + "/help/index.htm", "<html></html>");
    // Fontconfig, which Qt loads for the offscreen platform, keeps caches it never frees; in a
    // sanitizer build the program's end would report them and fail.
    const std::string suppressions = installation.AppPath() + "/lsan.supp";
    testing::WriteWholeFile(suppressions, "leak:libfontconfig\n");
    setenv("LSAN_OPTIONS", ("suppressions=" + suppressions).c_str(), 1);
    const std::vector<std::string> command = {TREVALON_MANAGER_PROGRAM, "-platform", "offscreen"};
    ProgramProcess manager(installation, command);
    ASSERT_TRUE(manager.StartReceiving(kPatience)) << manager.Log();
    const std::uint16_t udpPort = manager.ReceivingPort(SOCK_DGRAM);
    const std::uint16_t tcpPort = manager.ReceivingPort(SOCK_STREAM);
    ASSERT_NE(udpPort, 0);
    ASSERT_NE(tcpPort, 0);

    ProgramProcess second(installation, command);
    second.Start();
    ASSERT_TRUE(
        second.WaitForLog("[WARMING] ERR00001 : The application is already startup.", kPatience))
        << second.Log();
    // Its warning waits for a click; the signal ends it as well.
    EXPECT_EQ(second.Terminate(), 0);

    testing::SendLoopbackDatagram(udpPort, "<134>Mar 14 08:00:04 router1 app: " + marker + "-udp");
    const int connection = testing::ConnectLoopback(tcpPort);
    ASSERT_GE(connection, 0);
    const std::string stream = "<11>" + marker + "-tcp\n";
    ASSERT_EQ(send(connection, stream.data(), stream.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(stream.size()));
    close(connection);

    const std::string year = std::to_string(LocalNow().year);
    const std::string fileName =
        installation.LogFolder() + "syslog_" + FormatDate(LocalNow()) + ".log";
    ASSERT_TRUE(Eventually(
        [&] {
            const std::string file = testing::ReadWholeFile(fileName);
            return file.find(year +
                             "-03-14 08:00:04 [127.0.0.1] [Local Use Zero] "
                             "[Informational]  " +
                             marker + "-udp\r\n") != std::string::npos &&
                   file.find("[127.0.0.1] [User Level] [Error] " + marker + "-tcp\r\n") !=
                       std::string::npos;
        },
        kPatience))
        << testing::ReadWholeFile(fileName) << manager.Log();
    DatabaseConnection database;
    database.Connect(testing::LocalServer("trevalon"));
    const std::string rows = "select ip,facility,severity,msg from syslog where msg like \"%" +
                             marker + "%\" order by msg";
    ASSERT_TRUE(Eventually([&] { return database.Query(rows).RowCount() == 2; }, kPatience));
    const QueryResult stored = database.Query(rows);
    EXPECT_EQ(stored.Text(0, "msg"), " " + marker + "-udp");
    EXPECT_EQ(stored.Text(0, "facility"), "Local Use Zero");
    EXPECT_EQ(stored.Text(0, "ip"), "127.0.0.1");
    // The manager keeps the stream's line feed as a space where the service drops it.
    EXPECT_EQ(stored.Text(1, "msg"), marker + "-tcp ");
    EXPECT_EQ(stored.Text(1, "severity"), "Error");
    database.Execute("delete from syslog where msg like \"%" + marker + "%\"");

    EXPECT_EQ(manager.Terminate(), 0);
    const std::string log = manager.Log();
    EXPECT_EQ(log.substr(log.size() - std::string("Application stops.\r\n").size()),
              "Application stops.\r\n")
        << log;
    EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
    // The window's size was written back at the end.
    EXPECT_NE(
        testing::ReadWholeFile(installation.ConfFolder() + "SysInit.ini").find("WindowWidth="),
        std::string::npos);
}

}  // namespace
}  // namespace trevalon
