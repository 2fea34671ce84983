#include "engine/syslog_engine.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/event_loop.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

constexpr int kSendersPerEngine = 2;
constexpr int kMessagesPerSender = 1000;
constexpr int kMessagesPerEngine = kSendersPerEngine * kMessagesPerSender;

// Counts the messages an engine has filed.
class FiledMessages : public EngineObserver {
  public:
    void MessageAccepted(const SyslogRecord&) override {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }

    bool AwaitCount(int expected) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 60s, [&] { return count_ >= expected; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// One engine on an installation and a scratch database of its own, receiving over TCP only and
// filing to its text file.
struct EngineUnderTest {
    explicit EngineUnderTest(const std::string& purpose, bool udp = false,
                             EngineTimings timings = {})
        : serverReady((testing::RequireServer(installation), true)),
          database(testing::TestDatabaseName(purpose), false),
          engine(loop, Settings(installation, udp), PipelineVariant::Service(), timings,
                 database.Name()) {
        engine.SetObserver(&filed);
    }

    // Over UDP the sender is the message's HOSTNAME.
    static EngineSettings Settings(const testing::TempInstallation& installation, bool udp) {
        EngineSettings settings = installation.Settings();
        settings.System.SysLogUDPEnable = udp;
        settings.System.SysLogPort = "0";
        settings.System.SysLogMessageIPType = 1;
        settings.System.SysLogTCPEnable = !udp;
        settings.System.SysLogTCPPort = "0";
        settings.DbBackup.Enable = false;
        return settings;
    }

    // Every line of the installation's syslog text files.
    std::vector<std::string> FiledLines() const {
        std::vector<std::string> lines;
        for (const auto& entry : std::filesystem::directory_iterator(installation.LogFolder())) {
            if (entry.path().filename().string().rfind("system_", 0) == 0) {
                continue;
            }
            std::istringstream file(testing::ReadWholeFile(entry.path().string()));
            for (std::string line; std::getline(file, line);) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    testing::TempInstallation installation;
    bool serverReady;
    EventLoop loop;
    testing::ScratchDatabase database;
    FiledMessages filed;
    SyslogEngine engine;
};

// "message <tag> <number>", over one connection.
void SendOverTcp(std::uint16_t port, const std::string& tag, int count) {
    const int peer = testing::ConnectLoopback(port);
    ASSERT_GE(peer, 0);
    for (int i = 0; i < count; ++i) {
        const std::string message =
            "<134>Dec 10 08:00:00 host app: message " + tag + " " + std::to_string(i) + "\n";
        ASSERT_EQ(send(peer, message.data(), message.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(message.size()));
    }
    close(peer);
}

// Two engines in one process, each changing its settings all the time while two peers each
// send to it: every message is filed whole, by its own engine, under one of the names the
// settings gave the file.
TEST(SyslogEngine, TwoEnginesFileEveryMessageWhileTheirSettingsChange) {
    EngineUnderTest first("engine_first");
    EngineUnderTest second("engine_second");
    for (EngineUnderTest* unit : {&first, &second}) {
        TDMKestrine& data = unit->engine.DataModule();
        ASSERT_TRUE(data.ConnectDatabase(true));
        data.CreateDatabase();
        unit->engine.Initialise();
        ASSERT_TRUE(unit->engine.Reception().TcpListenerActive());
    }

    std::vector<std::thread> senders;
    for (EngineUnderTest* unit : {&first, &second}) {
        for (int sender = 0; sender < kSendersPerEngine; ++sender) {
            const std::string tag = unit->database.Name() + "-" + std::to_string(sender);
            senders.emplace_back(SendOverTcp, unit->engine.Reception().TcpPort(), tag,
                                 kMessagesPerSender);
        }
    }
    std::atomic<bool> sending = true;
    std::thread changer([&] {
        for (int change = 0; sending; ++change) {
            for (EngineUnderTest* unit : {&first, &second}) {
                EngineSettings settings = *unit->engine.Settings();
                settings.FileBackup.Filename = change % 2 == 0 ? "even_" : "odd_";
                settings.System.SysLogMessageIPType = change % 2;
                settings.System.isDebug = change % 3 == 0;
                unit->engine.PublishSettings(std::move(settings));
            }
        }
    });
    for (std::thread& sender : senders) {
        sender.join();
    }
    const bool firstFiled = first.filed.AwaitCount(kMessagesPerEngine);
    const bool secondFiled = second.filed.AwaitCount(kMessagesPerEngine);
    sending = false;
    changer.join();
    ASSERT_TRUE(firstFiled && secondFiled);

    for (EngineUnderTest* unit : {&first, &second}) {
        unit->engine.Shutdown();
        const std::vector<std::string> lines = unit->FiledLines();
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(kMessagesPerEngine));
        for (const std::string& line : lines) {
            ASSERT_NE(line.find(" message " + unit->database.Name() + "-"), std::string::npos)
                << line;
            ASSERT_EQ(line.back(), '\r') << line;
        }
    }
}

// A syslog server on a loopback UDP port that the engine forwards its alarms to.
class ForwardTarget {
  public:
    ForwardTarget() : socket_(testing::BindLoopbackSocket(SOCK_DGRAM, port_)) {}
    ~ForwardTarget() { close(socket_); }
    ForwardTarget(const ForwardTarget&) = delete;
    ForwardTarget& operator=(const ForwardTarget&) = delete;

    std::uint16_t Port() const { return port_; }

    // Runs the engine's owner loop until `count` datagrams have come in all; bounded.
    std::vector<std::string> AwaitDatagrams(EventLoop& loop, std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        const TimerId check = loop.StartTimer(5ms, TimerMode::kRepeating, [&] {
            char buffer[2048];
            for (ssize_t size; (size = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
                received_.emplace_back(buffer, static_cast<std::size_t>(size));
            }
            if (received_.size() >= count || std::chrono::steady_clock::now() > deadline) {
                loop.Stop();
            }
        });
        loop.Run();
        loop.StopTimer(check);
        return received_;
    }

  private:
    std::uint16_t port_ = 0;
    int socket_;
    std::vector<std::string> received_;
};

// A flapping device sends 1,000 matching messages within two seconds to a rule that forwards
// them with a repeat limit of ten seconds: the first is forwarded at once, the others only as one
// summary once the ten seconds are over. Every message is still filed. With the limit set back
// to 0 every match is forwarded again.
TEST(SyslogEngine, RepeatLimitForwardsOneAlarmAndOneSummaryForAThousandMatches) {
    testing::FixedClock clock(LocalTime{2026, 12, 10, 10, 15, 2, 4});
    ForwardTarget target;
    EngineTimings timings;
    timings.repeatSummaries = 10ms;
    EngineUnderTest unit("engine_repeat", true, timings);
    TDMKestrine& data = unit.engine.DataModule();
    ASSERT_TRUE(data.ConnectDatabase(true));
    data.CreateDatabase();
    data.Connection().Execute(testing::InsertRuleForEveryMessage(
        "filtering", "ip,alarm_syslog,alarm_repeat_seconds", "\"router1\",\"y\",10"));
    data.Connection().Execute(
        "insert into alarm_method (type,enable,ip,port) values (\"SysLog\",1,\"127.0.0.1\"," +
        std::to_string(target.Port()) + ")");
    unit.engine.Initialise();
    ASSERT_TRUE(unit.engine.Reception().UdpListenerActive());

    // In batches that the listener is sure to take in whole, 200 ms apart on the engine clock.
    const auto send = [&](int first, int count, const std::string& tag) {
        for (int i = first; i < first + count; ++i) {
            testing::SendLoopbackDatagram(
                unit.engine.Reception().UdpPort(),
                "<134>Dec 10 10:15:02 router1 app: " + tag + " " + std::to_string(i));
        }
        return unit.filed.AwaitCount(first + count);
    };
    for (int batch = 0; batch < 10; ++batch) {
        clock.Set(FromLocalTime(LocalTime{2026, 12, 10, 10, 15, 2, 4}) + batch * 200ms);
        ASSERT_TRUE(send(batch * 100, 100, "flap"));
    }
    clock.Set(LocalTime{2026, 12, 10, 10, 15, 12, 4});
    const std::vector<std::string> forwarded = target.AwaitDatagrams(unit.loop, 2);
    ASSERT_EQ(forwarded.size(), 2u);
    // The summary's colons make the forward put one in front of the text.
    EXPECT_EQ(forwarded, (std::vector<std::string>{
                             "<134>Dec 10 10:15:02  router1 Local Use Zero Informational  flap 0",
                             "<134>Dec 10 10:15:12  :router1 Local Use Zero Informational  flap "
                             "999 (+999 more since 10:15:02)"}));

    data.Connection().Execute("update filtering set alarm_repeat_seconds=0");
    unit.engine.ReloadRulesAndContacts();
    ASSERT_TRUE(send(1000, 3, "again"));
    std::vector<std::string> again = target.AwaitDatagrams(unit.loop, 5);
    ASSERT_EQ(again.size(), 5u);
    again.erase(again.begin(), again.begin() + 2);
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again,
              (std::vector<std::string>{
                  "<134>Dec 10 10:15:12  router1 Local Use Zero Informational  again 1000",
                  "<134>Dec 10 10:15:12  router1 Local Use Zero Informational  again 1001",
                  "<134>Dec 10 10:15:12  router1 Local Use Zero Informational  again 1002"}));
    unit.engine.Shutdown();
    EXPECT_EQ(unit.FiledLines().size(), 1003u);
}

}  // namespace
}  // namespace trevalon
