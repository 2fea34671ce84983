#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "engine/reception/burst_event.h"

namespace trevalon {

// The TCP syslog listener: all interfaces, one thread per connection, nothing ever sent to the
// peer. Each connection's bytes are framed into messages that reach the handler on that
// connection's thread.
class TcpSyslogListener {
  public:
    using MessageHandler =
        std::function<void(std::string_view message, const std::string& peerAddress)>;
    // Called on a connection's thread when it ends with an error (the idle time-out included);
    // an orderly close by the peer, or Deactivate, ends it without a call.
    using ConnectionErrorHandler = std::function<void()>;
    // Called once at the start of each burst of refused connections.
    using RefusalHandler = std::function<void(std::size_t openConnections)>;
    // Called on a connection's thread before and after the messages of one read are handled.
    using BurstHandler = std::function<void(BurstEvent event)>;

    // More connections than this are refused, so a flood cannot exhaust threads and files.
    static constexpr std::size_t kDefaultMaxConnections = 1000;

    TcpSyslogListener(MessageHandler onMessage, ConnectionErrorHandler onConnectionError,
                      RefusalHandler onRefusal, BurstHandler onBurst = {},
                      std::size_t maxConnections = kDefaultMaxConnections);
    ~TcpSyslogListener();
    TcpSyslogListener(const TcpSyslogListener&) = delete;
    TcpSyslogListener& operator=(const TcpSyslogListener&) = delete;

    // Binds the port (0 picks a free one) and starts accepting. Raises std::system_error.
    void Activate(std::uint16_t port, std::chrono::milliseconds readTimeout);
    // Closes the listening socket and every open connection, and joins every thread.
    void Deactivate();
    bool Active() const { return active_.load(); }
    std::uint16_t BoundPort() const { return boundPort_; }
    std::size_t OpenConnections() const;

  private:
    struct Connection;

    void Accept();
    void Serve(Connection& connection);
    void ReapFinished();

    MessageHandler onMessage_;
    ConnectionErrorHandler onConnectionError_;
    RefusalHandler onRefusal_;
    BurstHandler onBurst_;
    std::size_t maxConnections_;
    std::chrono::milliseconds readTimeout_{5000};

    int socket_ = -1;
    int stopFd_ = -1;
    std::uint16_t boundPort_ = 0;
    std::atomic<bool> active_{false};
    std::thread acceptThread_;

    mutable std::mutex connectionsMutex_;
    std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace trevalon
