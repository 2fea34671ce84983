#include "engine/reception/syslog_reception.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/fixed_clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

class CountingSink final : public SyslogMessageSink {
  public:
    void OnDatagram(std::string_view datagram, const std::string& sender) override {
        Add("udp " + sender + " " + std::string(datagram));
    }
    void OnStreamMessage(std::string_view message, const std::string& peer) override {
        Add("tcp " + peer + " " + std::string(message));
    }
    void OnBurst(BurstEvent) override {}
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return received_.size() >= count; });
    }
    std::vector<std::string> Received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

  private:
    void Add(std::string line) {
        std::lock_guard lock(mutex_);
        received_.push_back(std::move(line));
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> received_;
};

class SyslogReceptionTest : public ::testing::Test {
  protected:
    SyslogReceptionTest() {
        settings.System.SysLogPort = "0";
        settings.System.SysLogTCPPort = "0";
        settings.System.SysLogTCPEnable = true;
        settings.System.SysLogTCPTimeout = 100;
    }
    std::string Log() {
        return testing::ReadWholeFile(installation.LogFolder() + "system_2026-12-09.log");
    }

    testing::TempInstallation installation;
    testing::FixedClock clock{LocalTime{2026, 12, 9, 8, 0, 0}};
    EngineSettings settings;
    CountingSink sink;
};

TEST_F(SyslogReceptionTest, StartsBothListenersAndStopsThem) {
    const PublishedSettings published(settings);
    SyslogReception reception(sink, published);
    reception.StartReceivers();
    ASSERT_TRUE(reception.UdpListenerActive());
    ASSERT_TRUE(reception.TcpListenerActive());

    testing::SendLoopbackDatagram(reception.UdpPort(), "<13>u");
    const int tcp = testing::ConnectLoopback(reception.TcpPort());
    ASSERT_GE(tcp, 0);
    ASSERT_EQ(send(tcp, "<13>t\n", 6, 0), 6);
    ASSERT_TRUE(sink.WaitFor(2));
    // The silent peer is closed after the time-out with one line.
    char byte = 0;
    EXPECT_EQ(recv(tcp, &byte, 1, 0), 0);
    close(tcp);

    const std::uint16_t udpPort = reception.UdpPort();
    reception.StartReceivers();
    EXPECT_EQ(reception.UdpPort(), udpPort) << "a running listener is left as it is";
    reception.StopReceivers();
    EXPECT_FALSE(reception.UdpListenerActive());
    EXPECT_FALSE(reception.TcpListenerActive());
    auto received = sink.Received();
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, (std::vector<std::string>{"tcp 127.0.0.1 <13>t\n", "udp 127.0.0.1 <13>u"}));
    EXPECT_EQ(Log(),
              "2026-12-09 08:00:00 [INFO] Trevalon starts.\r\n"
              "2026-12-09 08:00:00 [ERROR] ERR90036 : TCP SysLog connection is closed, while "
              "receiving SysLog.\r\n"
              "2026-12-09 08:00:00 [INFO] Trevalon starts.\r\n"
              "2026-12-09 08:00:00 [INFO] Trevalon stops.\r\n");
}

TEST_F(SyslogReceptionTest, BothDisabledStillLogsTheStart) {
    settings.System.SysLogUDPEnable = false;
    settings.System.SysLogTCPEnable = false;
    const PublishedSettings published(settings);
    SyslogReception reception(sink, published);
    reception.StartReceivers();
    EXPECT_FALSE(reception.UdpListenerActive());
    EXPECT_FALSE(reception.TcpListenerActive());
    EXPECT_EQ(Log(), "2026-12-09 08:00:00 [INFO] Trevalon starts.\r\n");
}

TEST_F(SyslogReceptionTest, PortThatIsNoNumberRaises) {
    settings.System.SysLogPort = "syslog";
    const PublishedSettings published(settings);
    SyslogReception reception(sink, published);
    try {
        reception.StartReceivers();
        FAIL() << "no error";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "'syslog' is not a valid integer value");
    }
    EXPECT_FALSE(reception.UdpListenerActive());
    EXPECT_THROW(PortSetting("70000"), std::invalid_argument);
    EXPECT_EQ(PortSetting("514"), 514);
}

}  // namespace
}  // namespace trevalon
