#include <chrono>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/storage/database_client.h"
#include "foundation/clock.h"
#include "platform/service_control.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/program_process.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::Eventually;
using testing::ProgramProcess;
using testing::ReadWholeFile;
using testing::TempInstallation;
using testing::WriteWholeFile;

// Reception waits for the service's four-second start-up timer.
constexpr auto kPatience = 30s;

void SendTcp(std::uint16_t port, const std::string& payload) {
    const int fd = testing::ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(send(fd, payload.data(), payload.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(payload.size()));
    close(fd);
}

// The service always works on the database "trevalon"; each test marks its messages with a
// text of its own and removes what it added.
class ServiceEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation_));
        testing::CreateSystemDatabase();
    }

    ServiceEndToEnd()
        : marker_("e2e" + std::to_string(getpid()) + "x" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())) {}

    ~ServiceEndToEnd() override {
        if (database_.Connected()) {
            database_.Execute("delete from syslog where msg like \"%" + marker_ + "%\"");
        }
    }

    void WriteSettings(const std::string& extra) {
        WriteWholeFile(installation_.ConfFolder() + "SysInit.ini",
                       "[System]\nSysLogPort=0\nSysLogTCPEnable=1\nSysLogTCPPort=0\n" + extra +
                           testing::TestDatabaseAccountSection());
    }

    // Starts the service on ports of the kernel's choice and learns them.
    void StartService(const std::string& extra) {
        WriteSettings(extra);
        ASSERT_TRUE(service_.StartReceiving(kPatience)) << service_.Log();
        udpPort_ = service_.ReceivingPort(SOCK_DGRAM);
        tcpPort_ = service_.ReceivingPort(SOCK_STREAM);
        ASSERT_NE(udpPort_, 0);
        ASSERT_NE(tcpPort_, 0);
    }

    void ConnectDatabase() {
        ASSERT_TRUE(LoadDatabaseLibrary(installation_.DllFolder() + "libmariadb.so.3"));
        database_.Connect(testing::LocalServer("trevalon"));
    }

    std::string SyslogFile() const {
        return ReadWholeFile(installation_.LogFolder() + "syslog_" + FormatDate(LocalNow()) +
                             ".log");
    }

    QueryResult RowsWithMarker() {
        return database_.Query(
            "select syslog_datetime,ip,facility,severity,msg from syslog where msg like \"%" +
            marker_ + "%\" order by msg");
    }

    TempInstallation installation_;
    ProgramProcess service_{installation_, {TREVALON_SERVICE_PROGRAM}};
    std::uint16_t udpPort_ = 0;
    std::uint16_t tcpPort_ = 0;
    std::string marker_;
    DatabaseConnection database_;
};

TEST_F(ServiceEndToEnd, StoresUdpAndTcpMessagesInFileAndTableThenStopsOnSigterm) {
    ASSERT_NO_FATAL_FAILURE(StartService("SysLogMessageIPType=2\n"));
    ConnectDatabase();

    const std::string year = std::to_string(LocalNow().year);
    testing::SendLoopbackDatagram(
        udpPort_, "<134>Mar 14 08:00:04 router1 app: " + marker_ + "-udp \"q\" b\\s;x");
    SendTcp(tcpPort_, "<13>" + marker_ + "-tcp\n<11>" + marker_ + "-tcp2 'it'\n");

    const std::string udpLine = year +
                                "-03-14 08:00:04 [127.0.0.1] [Local Use Zero] "
                                "[Informational]  " +
                                marker_ + "-udp \"q\" b\\s;x\r\n";
    ASSERT_TRUE(Eventually(
        [&] {
            const std::string file = SyslogFile();
            return file.find(udpLine) != std::string::npos &&
                   file.find("[127.0.0.1] [User Level] [Error] " + marker_ + "-tcp2 'it'\r\n") !=
                       std::string::npos &&
                   file.find("[127.0.0.1] [User Level] [Notice] " + marker_ + "-tcp\r\n") !=
                       std::string::npos;
        },
        kPatience))
        << SyslogFile();
    ASSERT_TRUE(Eventually([&] { return RowsWithMarker().RowCount() == 3; }, kPatience));
    const QueryResult rows = RowsWithMarker();
    EXPECT_EQ(rows.Text(0, "syslog_datetime"), year + "-03-14 08:00:04");
    EXPECT_EQ(rows.Text(0, "ip"), "127.0.0.1");
    EXPECT_EQ(rows.Text(0, "facility"), "Local Use Zero");
    EXPECT_EQ(rows.Text(0, "severity"), "Informational");
    EXPECT_EQ(rows.Text(0, "msg"), " " + marker_ + "-udp  q  b\\s x");
    EXPECT_EQ(rows.Text(1, "msg"), marker_ + "-tcp");
    EXPECT_EQ(rows.Text(1, "severity"), "Notice");
    EXPECT_EQ(rows.Text(2, "msg"), marker_ + "-tcp2  it ");

    EXPECT_EQ(service_.Terminate(), 0);
    const std::string log = service_.Log();
    EXPECT_EQ(log.substr(log.size() - std::string("Application stops.\r\n").size()),
              "Application stops.\r\n")
        << log;
    EXPECT_NE(log.find("[INFO] Window Service Application stops.\r\n"), std::string::npos);
    EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
}

TEST_F(ServiceEndToEnd, HostileHostNameCannotBreakTheRow) {
    ASSERT_NO_FATAL_FAILURE(StartService("SysLogMessageIPType=1\n"));
    ConnectDatabase();
    testing::SendLoopbackDatagram(udpPort_, "<13>Mar 14 08:00:04 h\"),(\"x\\ tag: " + marker_);
    ASSERT_TRUE(Eventually([&] { return RowsWithMarker().RowCount() == 1; }, kPatience));
    EXPECT_EQ(RowsWithMarker().Text(0, "ip"), "h\"),(\"x\\");
    EXPECT_EQ(service_.Terminate(), 0);
}

TEST_F(ServiceEndToEnd, WrongCredentialsEndTheProgram) {
    WriteSettings("[Database]\nDBUsername=nobody_" + marker_ + "\nDBPassword=wrong\n");
    service_.Start();
    EXPECT_EQ(service_.WaitForExit(kPatience), platform::ServiceControl::kRefusedStartExitStatus);
    const std::string log = service_.Log();
    const std::string refusal =
        "[ERROR] ERR00101 : Connot make connection to MySQL database. : Access denied";
    std::size_t refusals = 0;
    for (std::size_t at = log.find(refusal); at != std::string::npos;
         at = log.find(refusal, at + refusal.size())) {
        ++refusals;
    }
    EXPECT_EQ(refusals, 2u) << log;
    EXPECT_NE(log.find("[INFO] Please provide valid MySQL Username and Password.\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Trevalon starts."), std::string::npos);
}

}  // namespace
}  // namespace trevalon
