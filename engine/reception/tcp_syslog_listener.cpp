#include "engine/reception/tcp_syslog_listener.h"

#include <cerrno>
#include <system_error>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/reception/tcp_framing.h"

namespace trevalon {
namespace {

[[noreturn]] void RaiseErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

constexpr std::size_t kReadSize = 64 * 1024;

void DrainArrived(int fd, std::string& buffer, SyslogStreamFramer& framer,
                  const SyslogStreamFramer::Sink& sink) {
    for (;;) {
        const ssize_t count = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;
        }
        framer.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)), sink);
    }
}

}  // namespace

struct TcpSyslogListener::Connection {
    int fd = -1;
    std::string peerAddress;
    std::atomic<bool> finished{false};
    std::thread thread;
};

TcpSyslogListener::TcpSyslogListener(MessageHandler onMessage,
                                     ConnectionErrorHandler onConnectionError,
                                     RefusalHandler onRefusal, std::size_t maxConnections)
    : onMessage_(std::move(onMessage)),
      onConnectionError_(std::move(onConnectionError)),
      onRefusal_(std::move(onRefusal)),
      maxConnections_(maxConnections) {}

TcpSyslogListener::~TcpSyslogListener() {
    Deactivate();
}

void TcpSyslogListener::Activate(std::uint16_t port, std::chrono::milliseconds readTimeout) {
    Deactivate();
    readTimeout_ = readTimeout;
    socket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        RaiseErrno("socket");
    }
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(socket_, SOMAXCONN) != 0) {
        const int error = errno;
        close(socket_);
        socket_ = -1;
        errno = error;
        RaiseErrno("bind");
    }
    socklen_t length = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort_ = ntohs(address.sin_port);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    active_.store(true);
    acceptThread_ = std::thread([this] { Accept(); });
}

void TcpSyslogListener::Deactivate() {
    if (!acceptThread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = write(stopFd_, &one, sizeof one);
    acceptThread_.join();
    std::list<std::unique_ptr<Connection>> connections;
    {
        std::lock_guard lock(connectionsMutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) {
        connection->thread.join();
    }
    close(socket_);
    close(stopFd_);
    socket_ = -1;
    stopFd_ = -1;
    active_.store(false);
}

std::size_t TcpSyslogListener::OpenConnections() const {
    std::lock_guard lock(connectionsMutex_);
    std::size_t open = 0;
    for (const auto& connection : connections_) {
        open += connection->finished.load() ? 0 : 1;
    }
    return open;
}

void TcpSyslogListener::ReapFinished() {
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->finished.load()) {
                finished.splice(finished.end(), connections_, it++);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : finished) {
        connection->thread.join();
    }
}

void TcpSyslogListener::Accept() {
    pollfd waits[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    bool refusing = false;
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
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd = accept4(socket_, reinterpret_cast<sockaddr*>(&peer), &length,
                               SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        ReapFinished();
        const std::size_t open = OpenConnections();
        if (open >= maxConnections_) {
            close(fd);
            if (!refusing && onRefusal_) {
                onRefusal_(open);
            }
            refusing = true;
            continue;
        }
        refusing = false;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        char dotted[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
        connection->peerAddress = dotted;
        Connection& started = *connection;
        {
            std::lock_guard lock(connectionsMutex_);
            connections_.push_back(std::move(connection));
        }
        started.thread = std::thread([this, &started] { Serve(started); });
    }
}

void TcpSyslogListener::Serve(Connection& connection) {
    SyslogStreamFramer framer;
    const SyslogStreamFramer::Sink sink = [&](std::string_view message) {
        onMessage_(message, connection.peerAddress);
    };
    std::string buffer(kReadSize, '\0');
    pollfd waits[2] = {{connection.fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    bool failed = false;
    for (;;) {
        const int ready = poll(waits, 2, static_cast<int>(readTimeout_.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (waits[1].revents != 0) {
            // Stopping: what has already arrived is still handled, then the connection closes.
            DrainArrived(connection.fd, buffer, framer, sink);
            break;
        }
        if (ready <= 0) {
            failed = true;  // the idle time-out, or poll itself failed
            break;
        }
        const ssize_t count = recv(connection.fd, buffer.data(), buffer.size(), 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            failed = count < 0;
            break;
        }
        framer.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)), sink);
    }
    framer.Finish(sink);
    if (failed && onConnectionError_) {
        onConnectionError_();
    }
    close(connection.fd);
    connection.finished.store(true);
}

}  // namespace trevalon
