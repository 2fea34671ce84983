#include "engine/snmp/trap_endpoint.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/snmp/snmp_agent_error.h"
#include "platform/errno_text.h"

namespace trevalon {
namespace {

struct AddressListRelease {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListRelease>;

std::string Endpoint(const std::string& host, int port) {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

// The addresses of host:port for UDP in `family`; the resolver's result code.
int Lookup(const std::string& host, int port, int family, bool passive, AddressList& found) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV | (passive ? AI_PASSIVE : 0);
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int result =
        getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &list);
    found.reset(result == 0 ? list : nullptr);
    return result;
}

SnmpAgentError ResolveError(int result, const std::string& role, const std::string& host) {
    const std::string reason =
        result == EAI_SYSTEM ? platform::ErrnoText(errno) : gai_strerror(result);
    return SnmpAgentError("Cannot resolve " + role + " \"" + host + "\": " + reason);
}

}  // namespace

TrapEndpoint::TrapEndpoint(const std::string& host, int port) {
    // IPv4 first, as the rest of the system is; IPv6 only for a host without an IPv4 address.
    AddressList addresses;
    const int result = Lookup(host, port, AF_INET, true, addresses);
    if (result != 0 && (host.empty() || Lookup(host, port, AF_INET6, true, addresses) != 0)) {
        throw ResolveError(result, "local host", host);
    }
    const addrinfo& local = *addresses;
    socket_ = socket(local.ai_family, local.ai_socktype | SOCK_CLOEXEC, local.ai_protocol);
    if (socket_ < 0) {
        throw SnmpAgentError("Cannot open a UDP socket: " + platform::ErrnoText(errno));
    }
    if (bind(socket_, local.ai_addr, local.ai_addrlen) != 0) {
        const int error = errno;
        close(socket_);
        throw SnmpAgentError("Cannot use local address " + Endpoint(host, port) + ": " +
                             platform::ErrnoText(error));
    }
    family_ = local.ai_family;
    if (family_ == AF_INET) {
        ipv4Address_ = reinterpret_cast<const sockaddr_in*>(local.ai_addr)->sin_addr.s_addr;
    }
}

TrapEndpoint::~TrapEndpoint() {
    close(socket_);
}

void TrapEndpoint::SendTo(const std::string& host, int port, const Datagram& datagram) const {
    if (host.empty()) {
        throw SnmpAgentError("No trap destination");
    }
    AddressList addresses;
    const int result = Lookup(host, port, family_, false, addresses);
    if (result != 0) {
        throw ResolveError(result, "trap destination", host);
    }
    const ssize_t sent = sendto(socket_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                                addresses->ai_addr, addresses->ai_addrlen);
    if (sent < 0) {
        throw SnmpAgentError("Cannot send the trap to " + Endpoint(host, port) + ": " +
                             platform::ErrnoText(errno));
    }
}

}  // namespace trevalon
