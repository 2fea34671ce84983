#pragma once

#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace trevalon::testing {

// One line the peer printed: its event and its fields.
struct PeerEvent {
    std::string Name;
    std::map<std::string, std::string> Fields;
};

// The npm smpp package run as an SMSC by node (tests/engine/smpp/peer/smsc.js). Construction
// fails the test when node or the installed package is missing; it never skips.
class NodeSmsc {
  public:
    NodeSmsc(const std::string& systemId, const std::string& password);
    ~NodeSmsc();
    NodeSmsc(const NodeSmsc&) = delete;
    NodeSmsc& operator=(const NodeSmsc&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // The next event the peer reports, within timeoutMs; an empty name when none came.
    PeerEvent Next(int timeoutMs = 10000);

  private:
    std::string ReadLine(int timeoutMs);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int port_ = 0;
    std::string pending_;
};

}  // namespace trevalon::testing
