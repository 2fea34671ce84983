#include "engine/reception/udp_syslog_listener.h"

#include <array>
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
    // One receive call takes up to kBatch datagrams, each into a buffer of its own.
    std::vector<char> buffers(bufferSize * kBatch);
    std::array<sockaddr_in, kBatch> senders{};
    std::array<iovec, kBatch> pieces{};
    std::array<mmsghdr, kBatch> messages{};
    for (;;) {
        if (platform::WaitReadable(socket_, wakeFd_, -1) != platform::Readiness::kReadable) {
            return;
        }
        if (onBurst_) {
            onBurst_(BurstEvent::kBegins);
        }
        // Everything that is waiting is taken before the next wait; a flood still lets Deactivate
        // in.
        std::size_t handled = 0;
        while (!stopping_.load(std::memory_order_relaxed)) {
            for (std::size_t slot = 0; slot < kBatch; ++slot) {
                pieces[slot] = iovec{buffers.data() + slot * bufferSize, bufferSize};
                messages[slot] = mmsghdr{};
                messages[slot].msg_hdr.msg_name = &senders[slot];
                messages[slot].msg_hdr.msg_namelen = sizeof senders[slot];
                messages[slot].msg_hdr.msg_iov = &pieces[slot];
                messages[slot].msg_hdr.msg_iovlen = 1;
            }
            const int received = recvmmsg(socket_, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
            if (received <= 0) {
                break;
            }
            for (int slot = 0; slot < received; ++slot) {
                const mmsghdr& message = messages[static_cast<std::size_t>(slot)];
                if ((message.msg_hdr.msg_flags & MSG_TRUNC) != 0) {
                    continue;
                }
                char dotted[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &senders[static_cast<std::size_t>(slot)].sin_addr, dotted,
                          sizeof dotted);
                handler_(
                    std::string_view(static_cast<const char*>(message.msg_hdr.msg_iov->iov_base),
                                     message.msg_len),
                    dotted);
                ++handled;
            }
            if (onBurst_) {
                onBurst_(BurstEvent::kBatchDone);
            }
        }
        if (onBurst_) {
            onBurst_(BurstEvent::kEnds);
        }
        if (handled >= kStreamingBurst) {
            // Messages are streaming in: let a few more gather in the socket before waking up
            // again, instead of waking up for each. Deactivate ends the pause at once.
            platform::WaitReadable(wakeFd_, -1, kStreamingPause);
        }
    }
}

}  // namespace trevalon
