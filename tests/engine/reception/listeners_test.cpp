#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/reception/tcp_syslog_listener.h"
#include "engine/reception/udp_syslog_listener.h"
#include "tests/support/loopback_ports.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

// Collects what the listeners hand on and lets the test wait for it with a deadline.
class Inbox {
  public:
    void Add(std::string_view message, const std::string& sender) {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(message);
        senders_.push_back(sender);
        changed_.notify_all();
    }
    void AddError() {
        std::lock_guard lock(mutex_);
        ++errors_;
        changed_.notify_all();
    }
    bool WaitFor(std::size_t count, std::size_t errors = 0) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s,
                                 [&] { return messages_.size() >= count && errors_ >= errors; });
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> Senders() {
        std::lock_guard lock(mutex_);
        return senders_;
    }
    std::size_t Errors() {
        std::lock_guard lock(mutex_);
        return errors_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
    std::vector<std::string> senders_;
    std::size_t errors_ = 0;
};

int Connect(std::uint16_t port) {
    const int fd = testing::ConnectLoopback(port);
    EXPECT_GE(fd, 0);
    return fd;
}

void SendAll(int fd, std::string_view bytes) {
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

TEST(UdpSyslogListener, HandsOnDatagramsInOrderAndDropsOversizedOnes) {
    Inbox inbox;
    UdpSyslogListener listener(
        [&](std::string_view datagram, const std::string& sender) { inbox.Add(datagram, sender); });
    listener.Activate(0, 8192);
    ASSERT_TRUE(listener.Active());
    testing::SendLoopbackDatagram(listener.BoundPort(), "<13>first");
    testing::SendLoopbackDatagram(listener.BoundPort(), std::string(9000, 'x'));
    testing::SendLoopbackDatagram(listener.BoundPort(), std::string(8192, 'y'));
    testing::SendLoopbackDatagram(listener.BoundPort(), std::string("<13>with\0nul", 12));
    testing::SendLoopbackDatagram(listener.BoundPort(), "");
    ASSERT_TRUE(inbox.WaitFor(4));
    listener.Deactivate();
    EXPECT_FALSE(listener.Active());
    const auto messages = inbox.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "<13>first");
    EXPECT_EQ(messages[1], std::string(8192, 'y'));
    EXPECT_EQ(messages[2], std::string("<13>with\0nul", 12));
    EXPECT_EQ(messages[3], "");
    EXPECT_EQ(inbox.Senders()[0], "127.0.0.1");
}

// A burst is announced before its first datagram and closed after its last; in between, each
// batch taken in one call ends with kBatchDone. The file relies on this to write a batch at once.
TEST(UdpSyslogListener, BurstsEncloseTheirDatagramsInBatchesOfBoundedSize) {
    Inbox inbox;
    UdpSyslogListener listener(
        [&](std::string_view datagram, const std::string& sender) { inbox.Add(datagram, sender); },
        [&](BurstEvent event) {
            inbox.Add(event == BurstEvent::kBegins      ? "<begins>"
                      : event == BurstEvent::kBatchDone ? "<batch>"
                                                        : "<ends>",
                      "");
        });
    listener.Activate(0, 1024);
    constexpr int kDatagrams = 200;
    for (int number = 0; number < kDatagrams; ++number) {
        testing::SendLoopbackDatagram(listener.BoundPort(),
                                      "<13>message " + std::to_string(number));
    }
    const auto delivered = [&] {
        const auto messages = inbox.Messages();
        return std::count_if(messages.begin(), messages.end(),
                             [](const std::string& m) { return m.starts_with("<13>"); });
    };
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (delivered() < kDatagrams && std::chrono::steady_clock::now() < deadline) {
        inbox.WaitFor(inbox.Messages().size() + 1);
    }
    listener.Deactivate();
    int next = 0;
    bool inBurst = false;
    std::size_t inBatch = 0;
    for (const std::string& entry : inbox.Messages()) {
        if (entry == "<begins>") {
            EXPECT_FALSE(inBurst);
            inBurst = true;
        } else if (entry == "<batch>") {
            EXPECT_TRUE(inBurst);
            EXPECT_LE(inBatch, UdpSyslogListener::kBatch);
            inBatch = 0;
        } else if (entry == "<ends>") {
            EXPECT_TRUE(inBurst);
            EXPECT_EQ(inBatch, 0u);
            inBurst = false;
        } else {
            EXPECT_TRUE(inBurst);
            EXPECT_EQ(entry, "<13>message " + std::to_string(next++));
            ++inBatch;
        }
    }
    EXPECT_EQ(next, kDatagrams);
    EXPECT_FALSE(inBurst);
}

TEST(UdpSyslogListener, PortInUseRaisesAndRestartWorks) {
    Inbox inbox;
    UdpSyslogListener first([&](std::string_view d, const std::string& s) { inbox.Add(d, s); });
    first.Activate(0, 8192);
    UdpSyslogListener second([](std::string_view, const std::string&) {});
    EXPECT_THROW(second.Activate(first.BoundPort(), 8192), std::system_error);
    EXPECT_FALSE(second.Active());
    const std::uint16_t port = first.BoundPort();
    first.Deactivate();
    first.Activate(port, 8192);
    testing::SendLoopbackDatagram(port, "again");
    ASSERT_TRUE(inbox.WaitFor(1));
}

class TcpListenerTest : public ::testing::Test {
  protected:
    TcpSyslogListener MakeListener(std::size_t maxConnections = 1000) {
        return TcpSyslogListener(
            [this](std::string_view m, const std::string& s) { inbox.Add(m, s); },
            [this] { inbox.AddError(); }, [this](std::size_t) { ++refusals; }, {}, maxConnections);
    }
    Inbox inbox;
    std::atomic<int> refusals{0};
};

TEST_F(TcpListenerTest, FramesTheStreamAndEndsQuietlyOnOrderlyClose) {
    TcpSyslogListener listener = MakeListener();
    listener.Activate(0, 5000ms);
    const int fd = Connect(listener.BoundPort());
    SendAll(fd, "<13>one\n<14>tw");
    SendAll(fd, "o\n<15>three");
    close(fd);
    ASSERT_TRUE(inbox.WaitFor(3));
    listener.Deactivate();
    EXPECT_EQ(inbox.Messages(), (std::vector<std::string>{"<13>one\n", "<14>two\n", "<15>three"}));
    EXPECT_EQ(inbox.Senders()[2], "127.0.0.1");
    EXPECT_EQ(inbox.Errors(), 0u);
}

TEST_F(TcpListenerTest, SilentPeerIsDisconnectedAfterTheTimeOut) {
    TcpSyslogListener listener = MakeListener();
    listener.Activate(0, 200ms);
    const int fd = Connect(listener.BoundPort());
    ASSERT_TRUE(inbox.WaitFor(0, 1));
    char byte = 0;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);  // the listener closed its side
    close(fd);
    listener.Deactivate();
    EXPECT_EQ(inbox.Errors(), 1u);
}

TEST_F(TcpListenerTest, DeactivateClosesOpenConnectionsAndFlushesTheirTail) {
    TcpSyslogListener listener = MakeListener();
    listener.Activate(0, 60000ms);
    const int fd = Connect(listener.BoundPort());
    SendAll(fd, "<13>whole\n<13>unfinished");
    ASSERT_TRUE(inbox.WaitFor(1));
    listener.Deactivate();
    EXPECT_EQ(inbox.Messages(), (std::vector<std::string>{"<13>whole\n", "<13>unfinished"}));
    EXPECT_EQ(inbox.Errors(), 0u);
    char byte = 0;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);
    close(fd);
}

TEST_F(TcpListenerTest, FloodBeyondTheCapIsRefusedAndReportedOncePerBurst) {
    TcpSyslogListener listener = MakeListener(2);
    listener.Activate(0, 60000ms);
    std::vector<int> clients;
    for (int i = 0; i < 2; ++i) {
        clients.push_back(Connect(listener.BoundPort()));
        SendAll(clients.back(), "<13>held\n");
    }
    ASSERT_TRUE(inbox.WaitFor(2));
    for (int i = 0; i < 5; ++i) {
        const int refused = Connect(listener.BoundPort());
        char byte = 0;
        EXPECT_EQ(recv(refused, &byte, 1, 0), 0);
        close(refused);
    }
    EXPECT_EQ(refusals.load(), 1);
    for (int fd : clients) {
        close(fd);
    }
    listener.Deactivate();
}

}  // namespace
}  // namespace trevalon
