#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "engine/reception/burst_event.h"

namespace trevalon {

// The UDP syslog listener: all interfaces, broadcast accepted, one datagram at a time on its
// own thread, in arrival order. Datagrams longer than the buffer are dropped unread.
class UdpSyslogListener {
  public:
    using DatagramHandler =
        std::function<void(std::string_view datagram, const std::string& senderAddress)>;
    using BurstHandler = std::function<void(BurstEvent event)>;

    // The socket asks the kernel for this much receive buffer, so bursts wait in the kernel
    // instead of being dropped while a message is handled.
    static constexpr int kSocketReceiveBuffer = 8 * 1024 * 1024;
    // After handling this many datagrams in one go, the listener pauses kStreamingPause
    // milliseconds before it looks again: the socket buffer holds far more than arrives meanwhile.
    static constexpr std::size_t kStreamingBurst = 2;
    static constexpr int kStreamingPause = 1;
    // Datagrams taken by one receive call.
    static constexpr std::size_t kBatch = 32;

    explicit UdpSyslogListener(DatagramHandler handler, BurstHandler onBurst = {});
    ~UdpSyslogListener();
    UdpSyslogListener(const UdpSyslogListener&) = delete;
    UdpSyslogListener& operator=(const UdpSyslogListener&) = delete;

    // Binds the port (0 picks a free one) and starts the listening thread. Raises
    // std::system_error when the socket cannot be bound. Activating an active listener
    // restarts it on the new port.
    void Activate(std::uint16_t port, std::size_t bufferSize);
    // Stops the thread and closes the socket; nothing after it reaches the handler.
    void Deactivate();
    bool Active() const { return active_.load(); }
    std::uint16_t BoundPort() const { return boundPort_; }

  private:
    void Listen(std::size_t bufferSize);

    DatagramHandler handler_;
    BurstHandler onBurst_;
    int socket_ = -1;
    int wakeFd_ = -1;
    std::uint16_t boundPort_ = 0;
    std::atomic<bool> active_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace trevalon
