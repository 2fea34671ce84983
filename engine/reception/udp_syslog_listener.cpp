#include "engine/reception/udp_syslog_listener.h"

#include <cerrno>
#include <system_error>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/listening_socket.h"

namespace trevalon {

UdpSyslogListener::UdpSyslogListener(DatagramHandler handler, BurstHandler onBurst)
    : handler_(std::move(handler)), onBurst_(std::move(onBurst)) {}

UdpSyslogListener::~UdpSyslogListener() {
    Deactivate();
}

void UdpSyslogListener::Activate(std::uint16_t port, std::size_t bufferSize) {
    Deactivate();
    socket_ = platform::OpenListeningSocket(SOCK_DGRAM, port, boundPort_);
    const int bufferBytes = kSocketReceiveBuffer;
    // FORCE lifts the system cap when we may; otherwise take what the cap allows.
    if (setsockopt(socket_, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes) != 0) {
        setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    }
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        const int error = errno;
        close(socket_);
        socket_ = -1;
        throw std::system_error(error, std::generic_category(), "eventfd");
    }
    stopping_.store(false);
    active_.store(true);
    thread_ = std::thread([this, bufferSize] { Listen(bufferSize); });
}

void UdpSyslogListener::Deactivate() {
    if (!thread_.joinable()) {
        return;
    }
    stopping_.store(true);
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
    for (;;) {
        if (platform::WaitReadable(socket_, wakeFd_, -1) != platform::Readiness::kReadable) {
            return;
        }
        if (onBurst_) {
            onBurst_(true);
        }
        // Everything that is waiting is taken before the next wait; a flood still lets Deactivate
        // in.
        std::size_t handled = 0;
        while (!stopping_.load(std::memory_order_relaxed)) {
            sockaddr_in sender{};
            iovec piece{buffer.data(), buffer.size()};
            msghdr message{};
            message.msg_name = &sender;
            message.msg_namelen = sizeof sender;
            message.msg_iov = &piece;
            message.msg_iovlen = 1;
            const ssize_t received = recvmsg(socket_, &message, MSG_DONTWAIT);
            if (received < 0) {
                break;
            }
            if ((message.msg_flags & MSG_TRUNC) != 0) {
                continue;
            }
            char dotted[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &sender.sin_addr, dotted, sizeof dotted);
            handler_(std::string_view(buffer.data(), static_cast<std::size_t>(received)), dotted);
            ++handled;
        }
        if (onBurst_) {
            onBurst_(false);
        }
        if (handled >= kStreamingBurst) {
            // Messages are streaming in: let a few more gather in the socket before waking up
            // again, instead of waking up for each. Deactivate ends the pause at once.
            platform::WaitReadable(wakeFd_, -1, kStreamingPause);
        }
    }
}

}  // namespace trevalon
