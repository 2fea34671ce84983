#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace trevalon::testing {

// A USM user the receiver accepts SNMPv3 traps from (authNoPriv, SHA).
struct TrapUser {
    std::string engineId;  // hexadecimal with "0x"
    std::string name;
    std::string password;
};

// Debian's snmptrapd, started on a loopback port of the kernel's choice for one test and stopped
// with it. Each trap it accepts is printed as one line:
//   "V1 peer=<transport> agent=<agent-addr> enterprise=<OID> generic=<n> specific=<n>
//    security=<community part>"
//   "V2 peer=<transport> security=<community or user part> vars=<bindings>"
// where <transport> reads "UDP: [127.0.0.1]:<sending port>->[127.0.0.1]:<receiver port>".
// A v3 trap it refuses leaves "Authentication failed for <user>". A missing snmptrapd fails
// the test.
class TrapReceiver {
  public:
    explicit TrapReceiver(const std::vector<TrapUser>& users = {});
    ~TrapReceiver();
    TrapReceiver(const TrapReceiver&) = delete;
    TrapReceiver& operator=(const TrapReceiver&) = delete;

    int Port() const { return port_; }

    // The first output line that satisfies `matches`, waiting for more output up to `timeout`;
    // empty (and a test failure) when none came.
    std::string WaitForLine(const std::function<bool(const std::string&)>& matches,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The first line containing every one of `parts`.
    std::string WaitForLineWith(const std::vector<std::string>& parts);
    // Every complete line printed so far, without waiting.
    std::vector<std::string> Lines();

  private:
    // Reads what the receiver printed, waiting until `deadline` for something to arrive;
    // false when nothing more can come or the time is up.
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    std::string folder_;
    int port_ = 0;
    pid_t process_ = -1;
    int output_ = -1;
    std::string buffer_;
    bool ended_ = false;
};

// A UDP port on 127.0.0.1 that was free a moment ago (see FreeLoopbackPorts).
int FreeLoopbackUdpPort();

// The text of the SnmpAgentError (or any std::exception) `action` raises; a test failure and
// an empty text when it raises none.
std::string ErrorOf(const std::function<void()>& action);

}  // namespace trevalon::testing
