#include "engine/reception/udp_syslog_listener.h"

#include <cerrno>
#include <system_error>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevalon {
namespace {

[[noreturn]] void RaiseErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

int OpenBoundSocket(std::uint16_t port, std::uint16_t& boundPort) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        RaiseErrno("socket");
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const int bufferBytes = UdpSyslogListener::kSocketReceiveBuffer;
    // FORCE lifts the system cap when we may; otherwise take what the cap allows.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        RaiseErrno("bind");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort = ntohs(address.sin_port);
    return fd;
}

}  // namespace

UdpSyslogListener::UdpSyslogListener(DatagramHandler handler) : handler_(std::move(handler)) {}

UdpSyslogListener::~UdpSyslogListener() {
    Deactivate();
}

void UdpSyslogListener::Activate(std::uint16_t port, std::size_t bufferSize) {
    Deactivate();
    socket_ = OpenBoundSocket(port, boundPort_);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        const int error = errno;
        close(socket_);
        socket_ = -1;
        errno = error;
        RaiseErrno("eventfd");
    }
    active_.store(true);
    thread_ = std::thread([this, bufferSize] { Listen(bufferSize); });
}

void UdpSyslogListener::Deactivate() {
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(socket_);
    close(wakeFd_);
    socket_ = -1;
    wakeFd_ = -1;
    active_.store(false);
}

void UdpSyslogListener::Listen(std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize);
    pollfd waits[2] = {{socket_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (waits[1].revents != 0) {
            return;
        }
        sockaddr_in sender{};
        iovec piece{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &piece;
        message.msg_iovlen = 1;
        const ssize_t received = recvmsg(socket_, &message, MSG_DONTWAIT);
        if (received < 0 || (message.msg_flags & MSG_TRUNC) != 0) {
            continue;
        }
        char dotted[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &sender.sin_addr, dotted, sizeof dotted);
        handler_(std::string_view(buffer.data(), static_cast<std::size_t>(received)), dotted);
    }
}

}  // namespace trevalon
