#include "tests/support/loopback_ports.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevalon::testing {
namespace {

// /proc/net/{tcp,udp} state column: TCP_LISTEN, and TCP_CLOSE for an unconnected UDP socket.
constexpr const char* kTcpListen = "0A";
constexpr const char* kUdpUnconnected = "07";

std::set<std::string> SocketInodes(pid_t pid) {
    std::set<std::string> inodes;
    std::error_code error;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind("socket:[", 0) == 0) {
            inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    return inodes;
}

}  // namespace

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

void SendLoopbackDatagram(std::uint16_t port, std::string_view payload) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = LoopbackAddress(port);
    sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&address),
           sizeof address);
    close(fd);
}

int ConnectLoopback(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = LoopbackAddress(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int BindLoopbackSocket(int type, std::uint16_t& port) {
    const int socketFd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socketFd < 0 || bind(socketFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        if (socketFd >= 0) {
            close(socketFd);
        }
        throw std::system_error(error, std::generic_category(), "no loopback port");
    }
    port = ntohs(address.sin_port);
    return socketFd;
}

ClosedLoopbackPort::ClosedLoopbackPort() : socket_(BindLoopbackSocket(SOCK_STREAM, port_)) {}

ClosedLoopbackPort::~ClosedLoopbackPort() {
    close(socket_);
}

std::vector<std::uint16_t> FreeLoopbackPorts(int type, int count) {
    std::vector<int> sockets;
    std::vector<std::uint16_t> ports(static_cast<std::size_t>(count));
    try {
        for (std::uint16_t& port : ports) {
            sockets.push_back(BindLoopbackSocket(type, port));
        }
    } catch (...) {
        for (const int socketFd : sockets) {
            close(socketFd);
        }
        throw;
    }
    for (const int socketFd : sockets) {
        close(socketFd);
    }
    return ports;
}

std::vector<std::uint16_t> ReceivingPorts(pid_t pid, int type) {
    const std::set<std::string> inodes = SocketInodes(pid);
    const bool tcp = type == SOCK_STREAM;
    std::vector<std::uint16_t> ports;
    for (const char* table : tcp ? std::vector{"/proc/net/tcp", "/proc/net/tcp6"}
                                 : std::vector{"/proc/net/udp", "/proc/net/udp6"}) {
        std::ifstream lines(table);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                timeout >> inode;
            const std::size_t colon = local.rfind(':');
            if (colon != std::string::npos && inodes.contains(inode) &&
                state == (tcp ? kTcpListen : kUdpUnconnected)) {
                ports.push_back(
                    static_cast<std::uint16_t>(std::stoul(local.substr(colon + 1), nullptr, 16)));
            }
        }
    }
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

}  // namespace trevalon::testing
