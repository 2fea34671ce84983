#include "tests/support/udp_receiver.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback_ports.h"

namespace trevalon::testing {

UdpReceiver::UdpReceiver() : descriptor_(BindLoopbackSocket(SOCK_DGRAM, port_)) {}

UdpReceiver::~UdpReceiver() {
    close(descriptor_);
}

std::string UdpReceiver::Receive() {
    pollfd watched{descriptor_, POLLIN, 0};
    if (poll(&watched, 1, 5000) != 1) {
        ADD_FAILURE() << "no datagram arrived";
        return {};
    }
    char buffer[65536];
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t count = recvfrom(descriptor_, buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&sender), &length);
    senderPort_ = ntohs(sender.sin_port);
    return count < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(count));
}

}  // namespace trevalon::testing
