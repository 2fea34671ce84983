#pragma once

#include <cstdint>
#include <vector>

#include <sys/types.h>

namespace trevalon::testing {

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
