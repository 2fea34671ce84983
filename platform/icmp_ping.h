#pragma once

// One ICMP echo to a host: through an unprivileged ICMP datagram socket where the system allows
// it (net.ipv4.ping_group_range), else through the system's ping program.

#include <chrono>
#include <string>

namespace trevalon::platform {

enum class PingOutcome {
    kReply,       // an answer came
    kTimeout,     // sent, but nothing came back in time
    kCannotSend,  // the name did not resolve, or no echo could be sent at all
};

struct PingResult {
    PingOutcome outcome = PingOutcome::kCannotSend;
    std::string error;  // why it could not be sent
};

// Blocks for up to `timeout` (plus name resolution).
PingResult Ping(const std::string& host, std::chrono::milliseconds timeout);

}  // namespace trevalon::platform
