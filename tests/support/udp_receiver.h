#pragma once

#include <cstdint>
#include <string>

namespace trevalon::testing {

// A syslog server's UDP socket on a free loopback port.
class UdpReceiver {
  public:
    UdpReceiver();
    ~UdpReceiver();
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    int Port() const { return port_; }
    int SenderPort() const { return senderPort_; }

    // The next datagram; a test failure and an empty text when none comes within 5 seconds.
    std::string Receive();

  private:
    // Declared first: the socket's construction stores the port here.
    std::uint16_t port_ = 0;
    int descriptor_;
    int senderPort_ = 0;
};

}  // namespace trevalon::testing
