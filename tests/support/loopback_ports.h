#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace trevalon::testing {

// 127.0.0.1:port.
sockaddr_in LoopbackAddress(std::uint16_t port);
// One datagram to 127.0.0.1:port from an ephemeral port.
void SendLoopbackDatagram(std::uint16_t port, std::string_view payload);
// A TCP connection to 127.0.0.1:port; -1 with errno set when it cannot be made.
int ConnectLoopback(std::uint16_t port);

// A socket of the given type bound to a loopback port of the kernel's choice, which is stored
// in `port`. Raises std::system_error.
int BindLoopbackSocket(int type, std::uint16_t& port);

// A loopback TCP port that is bound but never listens: connecting to it is refused at once,
// and no other process can take it while the object lives.
class ClosedLoopbackPort {
  public:
    ClosedLoopbackPort();
    ~ClosedLoopbackPort();
    ClosedLoopbackPort(const ClosedLoopbackPort&) = delete;
    ClosedLoopbackPort& operator=(const ClosedLoopbackPort&) = delete;

    std::uint16_t Port() const { return port_; }

  private:
    std::uint16_t port_ = 0;
    int socket_ = -1;
};

// `count` distinct loopback ports of the given socket type that were free a moment ago: each
// stays bound until all are known. Only for peers that cannot bind port 0 themselves; whoever
// takes one must expect EADDRINUSE from another process and pick again.
std::vector<std::uint16_t> FreeLoopbackPorts(int type, int count);

// The ports process `pid` receives on, as the kernel reports them: its listening TCP sockets
// or its unconnected UDP sockets. Lets a program bind port 0 and tell the test what it got.
std::vector<std::uint16_t> ReceivingPorts(pid_t pid, int type);

}  // namespace trevalon::testing
