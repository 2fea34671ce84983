#pragma once

#include <cstdint>
#include <string>

#include "engine/snmp/trap_encoding.h"

namespace trevalon {

// The agent's local UDP endpoint, bound while the agent is active; every trap leaves from it.
class TrapEndpoint {
  public:
    // Binds to host:port, an IPv4 address of the host if it has one. An empty host means every
    // local IPv4 address; port 0 lets the system choose. Raises SnmpAgentError with the system's
    // message when the host cannot be resolved or the address cannot be bound (a port already in
    // use, say).
    TrapEndpoint(const std::string& host, int port);
    ~TrapEndpoint();
    TrapEndpoint(const TrapEndpoint&) = delete;
    TrapEndpoint& operator=(const TrapEndpoint&) = delete;

    // The bound IPv4 address in network order; 0 for an IPv6 or wildcard endpoint.
    std::uint32_t Ipv4Address() const { return ipv4Address_; }

    // Sends one datagram to host:port in the endpoint's address family. Raises SnmpAgentError
    // with the resolver's or the system's message.
    void SendTo(const std::string& host, int port, const Datagram& datagram) const;

  private:
    int socket_ = -1;
    int family_ = 0;
    std::uint32_t ipv4Address_ = 0;
};

}  // namespace trevalon
