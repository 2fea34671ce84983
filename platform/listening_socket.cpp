#include "platform/listening_socket.h"

#include <cerrno>
#include <system_error>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevalon::platform {

int OpenListeningSocket(int type, std::uint16_t port, std::uint16_t& boundPort) {
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    const int on = 1;
    if (type == SOCK_STREAM) {
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        (type == SOCK_STREAM && listen(fd, SOMAXCONN) != 0)) {
        const int error = errno;
        close(fd);
        throw std::system_error(error, std::generic_category(), "bind");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort = ntohs(address.sin_port);
    return fd;
}

Readiness WaitReadable(int fd, int stopFd, int timeoutMilliseconds) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const int ready = poll(waits, 2, timeoutMilliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return Readiness::kFailed;
        }
        if (waits[1].revents != 0) {
            return Readiness::kStopped;
        }
        return ready == 0 ? Readiness::kTimedOut : Readiness::kReadable;
    }
}

}  // namespace trevalon::platform
