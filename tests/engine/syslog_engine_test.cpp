#include "engine/syslog_engine.h"

#include <sys/socket.h>
#include <unistd.h>

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
    explicit EngineUnderTest(const std::string& purpose)
        : serverReady((testing::RequireServer(installation), true)),
          database(testing::TestDatabaseName(purpose), false),
          engine(loop, Settings(installation), PipelineVariant::Service(), EngineTimings{},
                 database.Name()) {
        engine.SetObserver(&filed);
    }

    static EngineSettings Settings(const testing::TempInstallation& installation) {
        EngineSettings settings = installation.Settings();
        settings.System.SysLogUDPEnable = false;
        settings.System.SysLogTCPEnable = true;
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

}  // namespace
}  // namespace trevalon
