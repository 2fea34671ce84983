#include "platform/host_network.h"

#include <cerrno>

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

namespace trevalon::platform {

int LocalHostName(std::string& name) {
    char buffer[101] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        return errno;
    }
    name = buffer;
    return 0;
}

std::string FirstIPv4Address(const std::string& hostName, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    const int status = getaddrinfo(hostName.c_str(), nullptr, &hints, &result);
    if (status != 0 || result == nullptr) {
        error = status != 0 ? gai_strerror(status) : "no address";
        return {};
    }
    char dotted[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    inet_ntop(AF_INET, &address->sin_addr, dotted, sizeof dotted);
    freeaddrinfo(result);
    return dotted;
}

}  // namespace trevalon::platform
