#include "engine/smpp/socket_address.h"

#include <cctype>
#include <charconv>

#include <arpa/inet.h>
#include <netdb.h>

#include "platform/host_network.h"

namespace trevalon {

std::string ResolveHostAddress(const std::string& host) {
    if (host.empty()) {
        return "0.0.0.0";
    }
    if (std::isdigit(static_cast<unsigned char>(host.front())) == 0) {
        std::string error;
        return platform::FirstIPv4Address(host, error);
    }
    in_addr parsed{};
    return inet_pton(AF_INET, host.c_str(), &parsed) == 1 ? host : std::string();
}

std::uint16_t ResolvePort(const std::string& port) {
    if (port.empty()) {
        return 0;
    }
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (getservbyname_r(port.c_str(), nullptr, &entry, scratch, sizeof scratch, &found) == 0 &&
        found != nullptr) {
        return ntohs(static_cast<std::uint16_t>(found->s_port));
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value > 0xFFFF) {
        return 0;
    }
    return static_cast<std::uint16_t>(value);
}

bool MakeSocketAddress(const std::string& host, const std::string& port, sockaddr_in& address) {
    const std::string dotted = ResolveHostAddress(host);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(ResolvePort(port));
    return !dotted.empty() && inet_pton(AF_INET, dotted.c_str(), &address.sin_addr) == 1;
}

}  // namespace trevalon
