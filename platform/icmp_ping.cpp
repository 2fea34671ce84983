#include "platform/icmp_ping.h"

#include <netdb.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "platform/command_runner.h"
#include "platform/errno_text.h"

namespace trevalon::platform {
namespace {

struct Descriptor {
    int fd;
    ~Descriptor() { close(fd); }
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) {
            freeaddrinfo(first);
        }
    }
};

// The answer through an ICMP datagram socket; nothing when the system refuses such sockets.
std::optional<PingResult> PingBySocket(const addrinfo& address, std::chrono::milliseconds timeout) {
    const bool v6 = address.ai_family == AF_INET6;
    const int fd =
        socket(address.ai_family, SOCK_DGRAM, v6 ? int{IPPROTO_ICMPV6} : int{IPPROTO_ICMP});
    if (fd < 0) {
        return std::nullopt;
    }
    const Descriptor owned{fd};
    // The kernel fills in the identifier and the checksum of a datagram echo.
    std::array<unsigned char, 16> request{};
    request[0] = static_cast<unsigned char>(v6 ? int{ICMP6_ECHO_REQUEST} : int{ICMP_ECHO});
    request[7] = 1;  // sequence number
    if (sendto(fd, request.data(), request.size(), 0, address.ai_addr, address.ai_addrlen) < 0) {
        return PingResult{PingOutcome::kCannotSend, ErrnoText(errno)};
    }
    pollfd wait{fd, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        return PingResult{PingOutcome::kTimeout, {}};
    }
    std::array<unsigned char, 512> reply{};
    if (recv(fd, reply.data(), reply.size(), 0) < 0) {
        return PingResult{PingOutcome::kCannotSend, ErrnoText(errno)};
    }
    return PingResult{PingOutcome::kReply, {}};
}

// iputils ping: 0 answered, 1 no answer, anything else could not send.
PingResult PingByProgram(const std::string& host, std::chrono::milliseconds timeout) {
    const long seconds = std::max<long>(1, static_cast<long>((timeout.count() + 999) / 1000));
    const CommandResult run =
        RunCommand({"ping", "-n", "-c", "1", "-W", std::to_string(seconds), "--", host});
    if (run.exitCode == 0) {
        return {PingOutcome::kReply, {}};
    }
    if (run.exitCode == 1) {
        return {PingOutcome::kTimeout, {}};
    }
    return {PingOutcome::kCannotSend,
            run.exitCode < 0 ? "the ping program could not be run" : run.output};
}

}  // namespace

PingResult Ping(const std::string& host, std::chrono::milliseconds timeout) {
    if (host.empty() || host.front() == '-') {
        return {PingOutcome::kCannotSend, "'" + host + "' is no host name or address"};
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    AddressList addresses;
    if (const int error = getaddrinfo(host.c_str(), nullptr, &hints, &addresses.first);
        error != 0) {
        return {PingOutcome::kCannotSend, gai_strerror(error)};
    }
    if (std::optional<PingResult> answered = PingBySocket(*addresses.first, timeout)) {
        return *answered;
    }
    return PingByProgram(host, timeout);
}

}  // namespace trevalon::platform
