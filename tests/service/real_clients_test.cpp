// Messages sent by syslog clients nobody here wrote: util-linux logger directly, and rsyslog
// as a relay, over UDP, line-fed TCP and octet-counted TCP. Each must reach the text file and
// table syslog exactly once with its header read and its text intact.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/storage/database_client.h"
#include "foundation/clock.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/program_process.h"

extern char** environ;

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::Eventually;
using testing::FreeLoopbackPorts;
using testing::ProgramProcess;
using testing::ReadWholeFile;
using testing::ReceivingPorts;
using testing::TempInstallation;
using testing::WriteWholeFile;

// Reception waits for the service's four-second start-up timer.
constexpr auto kPatience = 30s;
// Long enough that no relay connection is cut for idling while a test runs.
constexpr int kTcpTimeoutMs = 120000;

// What the structured data of logger's RFC 5424 messages is, on the wire and as content.
constexpr std::string_view kLoggerSdId = "zoo@32473";
constexpr std::string_view kLoggerSdParam = R"(tiger="hun\"gry")";
constexpr std::string_view kStructuredData = R"([zoo@32473 tiger="hun\"gry"])";

std::string FindProgram(const std::string& name) {
    for (const char* folder : {"/usr/bin/", "/bin/", "/usr/sbin/", "/sbin/"}) {
        const std::string path = folder + name;
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return {};
}

// The host name as logger writes it: whole in RFC 5424 headers, up to the first dot in RFC 3164.
std::string FullHostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

std::string ShortHostName() {
    const std::string full = FullHostName();
    return full.substr(0, full.find('.'));
}

// A program of somebody else's as a child process, its output kept in a file; killed when it
// still runs at destruction.
class ChildProgram {
  public:
    ChildProgram(std::vector<std::string> arguments, std::string outputPath)
        : arguments_(std::move(arguments)), outputPath_(std::move(outputPath)) {
        std::vector<char*> argv;
        for (auto& argument : arguments_) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int result = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            pid_ = -1;
        }
    }

    ~ChildProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool Started() const { return pid_ > 0 || exited_; }
    pid_t Pid() const { return pid_; }
    bool Running() {
        if (pid_ <= 0) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            Reap(status);
            return false;
        }
        return true;
    }

    // The exit status; -1 when a signal ended it, -2 when it did not end within `patience`.
    int Wait(std::chrono::seconds patience) {
        if (!Eventually([&] { return !Running(); }, patience)) {
            return -2;
        }
        return exitStatus_;
    }

    int Terminate(std::chrono::seconds patience) {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
        }
        return Wait(patience);
    }

    std::string Output() const { return ReadWholeFile(outputPath_); }

  private:
    void Reap(int status) {
        pid_ = -1;
        exited_ = true;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> arguments_;
    std::string outputPath_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int exitStatus_ = -1;
};

// The message text as the receivers store it in the table: ; ' and " become spaces, the
// line ends and other removed control characters go.
std::string StoredText(std::string_view content) {
    std::string stored;
    for (const char c : content) {
        if (c == ';' || c == '\'' || c == '"') {
            stored += ' ';
        } else if (c != '\b' && c != '\n' && c != '\r' && c != '\t' && c != '\x1a') {
            stored += c;
        }
    }
    return stored;
}

// One message a test sends and what must arrive of it.
struct Expected {
    std::string tag;
    std::string source;
    std::string content;
};

struct Priority {
    std::string option;  // logger's -p value
    std::string facility;
    std::string severity;
};

class RealClients : public ::testing::Test {
  protected:
    RealClients()
        : marker_("rc" + std::to_string(getpid()) + "x" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())),
          logger_(FindProgram("logger")) {}

    ~RealClients() override {
        if (database_.Connected()) {
            database_.Execute("delete from syslog where msg like \"%" + marker_ + "%\"");
        }
    }

    void SetUp() override {
        ASSERT_FALSE(logger_.empty())
            << "util-linux logger is missing (Debian package bsdutils); these tests need it";
        ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation_));
        testing::CreateSystemDatabase();
    }

    void StartService(int messageIpType) {
        WriteWholeFile(installation_.ConfFolder() + "SysInit.ini",
                       "[System]\nSysLogPort=0\nSysLogTCPEnable=1\nSysLogTCPPort=0"
                       "\nSysLogTCPTimeout=" +
                           std::to_string(kTcpTimeoutMs) +
                           "\nSysLogMessageIPType=" + std::to_string(messageIpType) + "\n" +
                           testing::TestDatabaseAccountSection());
        ASSERT_TRUE(service_.StartReceiving(kPatience)) << service_.Log();
        udpPort_ = service_.ReceivingPort(SOCK_DGRAM);
        tcpPort_ = service_.ReceivingPort(SOCK_STREAM);
        ASSERT_NE(udpPort_, 0);
        ASSERT_NE(tcpPort_, 0);
        ASSERT_TRUE(LoadDatabaseLibrary(installation_.DllFolder() + "libmariadb.so.3"));
        database_.Connect(testing::LocalServer("trevalon"));
        sendingSince_ = FormatDateTime(LocalNow());
    }

    // The text of one message: no colon (a TAG ends at the first), everything else the
    // statement must survive, and a non-ASCII letter.
    std::string Text(const std::string& tag) const {
        return marker_ + "-" + tag + " 'q' \"d\" b\\s \xC3\xBC%_;x";
    }

    // Runs logger with `options` then the message options; fails the test when it fails.
    void Logger(std::vector<std::string> options, const Priority& priority,
                const std::vector<std::string>& message) {
        std::vector<std::string> arguments = {logger_};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {"-t", "mytag", "-p", priority.option});
        arguments.insert(arguments.end(), message.begin(), message.end());
        ChildProgram logger(arguments, installation_.AppPath() + "/logger.out");
        ASSERT_TRUE(logger.Started()) << logger_;
        ASSERT_EQ(logger.Wait(10s), 0) << logger.Output();
    }

    static std::vector<std::string> Rfc5424Options() {
        return {"--rfc5424=notq", "--sd-id", std::string(kLoggerSdId), "--sd-param",
                std::string(kLoggerSdParam)};
    }

    std::vector<std::string> LinesWith(const std::string& needle) const {
        const std::string file =
            ReadWholeFile(installation_.LogFolder() + "syslog_" + FormatDate(LocalNow()) + ".log");
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < file.size();) {
            std::size_t end = file.find("\r\n", start);
            end = end == std::string::npos ? file.size() : end;
            const std::string line = file.substr(start, end - start);
            if (line.find(needle) != std::string::npos) {
                lines.push_back(line);
            }
            start = end + 2;
        }
        return lines;
    }

    QueryResult RowsWith(const std::string& needle) {
        return database_.Query(
            "select syslog_datetime,ip,facility,severity,msg from syslog where msg like \"%" +
            needle + "%\"");
    }

    // Every expected message arrives, then: one line and one row each, byte for byte, with a
    // time between the first send and now.
    void ExpectStoredOnce(const std::vector<Expected>& expected, const Priority& priority) {
        const auto needle = [&](const Expected& message) {
            return marker_ + "-" + message.tag + " ";
        };
        const bool arrived = Eventually(
            [&] {
                for (const auto& message : expected) {
                    if (LinesWith(needle(message)).empty() ||
                        RowsWith(needle(message)).RowCount() == 0) {
                        return false;
                    }
                }
                return true;
            },
            kPatience);
        EXPECT_TRUE(arrived) << ReadWholeFile(installation_.LogFolder() + "syslog_" +
                                              FormatDate(LocalNow()) + ".log")
                             << service_.Log();
        const std::string until = FormatDateTime(LocalNow());
        for (const auto& message : expected) {
            SCOPED_TRACE(message.tag);
            const auto lines = LinesWith(needle(message));
            ASSERT_EQ(lines.size(), 1u);
            const std::string time = lines[0].substr(0, 19);
            EXPECT_GE(time, sendingSince_);
            EXPECT_LE(time, until);
            EXPECT_EQ(lines[0].substr(19), " [" + message.source + "] [" + priority.facility +
                                               "] [" + priority.severity + "] " + message.content);

            const QueryResult rows = RowsWith(needle(message));
            ASSERT_EQ(rows.RowCount(), 1u);
            EXPECT_EQ(rows.Text(0, "syslog_datetime"), time);
            EXPECT_EQ(rows.Text(0, "ip"), message.source);
            EXPECT_EQ(rows.Text(0, "facility"), priority.facility);
            EXPECT_EQ(rows.Text(0, "severity"), priority.severity);
            EXPECT_EQ(rows.Text(0, "msg"), StoredText(message.content));
        }
    }

    void ExpectCleanStop() {
        EXPECT_EQ(service_.Terminate(), 0);
        const std::string log = service_.Log();
        EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
        EXPECT_TRUE(log.ends_with("Application stops.\r\n")) << log;
    }

    TempInstallation installation_;
    ProgramProcess service_{installation_, {TREVALON_SERVICE_PROGRAM}};
    std::uint16_t udpPort_ = 0;
    std::uint16_t tcpPort_ = 0;
    std::string marker_;
    std::string logger_;
    std::string sendingSince_;
    DatabaseConnection database_;
};

TEST_F(RealClients, LoggerOverUdpInBothFormatsIsFiledUnderItsHostName) {
    StartService(1);
    const Priority priority{"local3.warning", "Local Use Three", "Warning"};
    const std::vector<std::string> udp = {"-d", "-n", "127.0.0.1", "-P", std::to_string(udpPort_)};

    auto options = udp;
    options.push_back("--rfc3164");
    Logger(options, priority, {Text("u3164")});
    options = udp;
    for (const auto& option : Rfc5424Options()) {
        options.push_back(option);
    }
    Logger(options, priority, {Text("u5424")});

    ExpectStoredOnce(
        {{"u3164", ShortHostName(), " " + Text("u3164")},
         {"u5424", FullHostName(), std::string(kStructuredData) + " " + Text("u5424")}},
        priority);
    ExpectCleanStop();
}

// Two lines from a file go as two messages over one connection, framed by line feeds or by
// octet counts. The line feed that ends a message shows neither in its line nor in its row.
TEST_F(RealClients, LoggerOverTcpFramedByLineFeedsAndByOctetCounts) {
    StartService(1);
    const Priority priority{"daemon.err", "System Daemon", "Error"};
    const std::vector<std::string> tcp = {"-T", "-n", "127.0.0.1", "-P", std::to_string(tcpPort_)};
    std::vector<Expected> expected;

    const auto send = [&](const std::string& tag, std::vector<std::string> format, bool octetCount,
                          const std::string& contentHead) {
        const std::string lines = installation_.AppPath() + "/" + tag + ".txt";
        WriteWholeFile(lines, Text(tag + "a") + "\n" + Text(tag + "b") + "\n");
        auto options = tcp;
        options.insert(options.end(), format.begin(), format.end());
        if (octetCount) {
            options.push_back("--octet-count");
        }
        Logger(options, priority, {"-f", lines});
        for (const std::string line : {"a", "b"}) {
            expected.push_back({tag + line, "127.0.0.1", contentHead + Text(tag + line)});
        }
    };
    const std::string sd = std::string(kStructuredData) + " ";
    send("tlf3164", {"--rfc3164"}, false, " ");
    send("tlf5424", Rfc5424Options(), false, sd);
    send("toc3164", {"--rfc3164"}, true, " ");
    send("toc5424", Rfc5424Options(), true, sd);

    ExpectStoredOnce(expected, priority);
    ExpectCleanStop();
}

// rsyslog forwards what logger sends it, with its traditional template and with RFC 5424, over
// UDP, over TCP with line feeds and over octet-counted TCP.
TEST_F(RealClients, RsyslogRelaysOverUdpTcpAndOctetCountedTcp) {
    const std::string rsyslogd = FindProgram("rsyslogd");
    ASSERT_FALSE(rsyslogd.empty())
        << "rsyslogd is missing (Debian package rsyslog, see scripts/install-deps.sh)";
    StartService(1);
    const Priority priority{"local7.debug", "Local Use Seven", "Debug"};

    struct Route {
        std::string name;
        std::string forward;  // the omfwd parameters
        bool tcp;
        bool rfc5424;
        std::uint16_t inputPort = 0;
    };
    const std::string target = "type=\"omfwd\" target=\"127.0.0.1\" ";
    const std::string udp = target + "protocol=\"udp\" port=\"" + std::to_string(udpPort_) + "\"";
    const std::string tcp = target + "protocol=\"tcp\" port=\"" + std::to_string(tcpPort_) + "\"";
    const std::string octets = tcp + " TCP_Framing=\"octet-counted\"";
    const std::string rfc5424 = " template=\"RSYSLOG_SyslogProtocol23Format\"";
    std::vector<Route> routes = {
        {"rudp", udp, false, false},
        {"rudp5424", udp + rfc5424, false, true},
        {"rtcp", tcp, true, false},
        {"roc", octets, true, false},
        {"roc5424", octets + rfc5424, true, true},
    };

    const std::string folder = installation_.AppPath() + "/rsyslog";
    std::filesystem::create_directories(folder);
    const auto boundByRelay = [&routes](ChildProgram& relay) {
        const std::vector<std::uint16_t> bound = ReceivingPorts(relay.Pid(), SOCK_DGRAM);
        return std::all_of(routes.begin(), routes.end(), [&bound](const Route& route) {
            return std::find(bound.begin(), bound.end(), route.inputPort) != bound.end();
        });
    };
    // rsyslog cannot bind port 0 per input and tell which it got, so its ports are picked here;
    // one that another process takes before rsyslog binds it is picked again.
    std::unique_ptr<ChildProgram> relay;
    for (int attempt = 0; attempt < 3 && !relay; ++attempt) {
        const std::vector<std::uint16_t> ports =
            FreeLoopbackPorts(SOCK_DGRAM, static_cast<int>(routes.size()));
        std::string config = "global(workDirectory=\"" + folder +
                             "\" net.enableDNS=\"off\")\nmodule(load=\"imudp\")\n";
        for (std::size_t index = 0; index < routes.size(); ++index) {
            Route& route = routes[index];
            route.inputPort = ports[index];
            config += "input(type=\"imudp\" address=\"127.0.0.1\" port=\"" +
                      std::to_string(route.inputPort) + "\" ruleset=\"" + route.name + "\")\n";
            config += "ruleset(name=\"" + route.name + "\") { action(" + route.forward + ") }\n";
        }
        WriteWholeFile(folder + "/rsyslog.conf", config);
        relay = std::make_unique<ChildProgram>(
            std::vector<std::string>{rsyslogd, "-n", "-f", folder + "/rsyslog.conf", "-i",
                                     folder + "/pid"},
            folder + "/output.txt");
        ASSERT_TRUE(relay->Started());
        Eventually([&] { return boundByRelay(*relay) || !relay->Running(); }, 10s);
        if (!relay->Running() || !boundByRelay(*relay)) {
            relay.reset();
        }
    }
    ASSERT_TRUE(relay) << ReadWholeFile(folder + "/output.txt");

    std::vector<Expected> expected;
    for (const auto& route : routes) {
        const std::vector<std::string> toRelay = {"-d", "-n", "127.0.0.1", "-P",
                                                  std::to_string(route.inputPort)};
        auto options = toRelay;
        options.push_back("--rfc3164");
        Logger(options, priority, {Text(route.name + "-3164")});
        options = toRelay;
        for (const auto& option : Rfc5424Options()) {
            options.push_back(option);
        }
        Logger(options, priority, {Text(route.name + "-5424")});

        // rsyslog's traditional template has no structured data and, for an RFC 5424 input,
        // no colon after the TAG.
        const std::string source = route.tcp ? "127.0.0.1" : ShortHostName();
        const std::string fromRfc3164 = " " + Text(route.name + "-3164");
        const std::string fromRfc5424 =
            route.rfc5424 ? std::string(kStructuredData) + " " + Text(route.name + "-5424")
                          : "mytag " + Text(route.name + "-5424");
        expected.push_back({route.name + "-3164", source, fromRfc3164});
        expected.push_back(
            {route.name + "-5424", route.tcp ? source : FullHostName(), fromRfc5424});
    }

    ExpectStoredOnce(expected, priority);
    EXPECT_EQ(relay->Terminate(kPatience), 0) << relay->Output();
    ExpectCleanStop();
}

}  // namespace
}  // namespace trevalon
