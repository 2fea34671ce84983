#include "engine/reception/tcp_syslog_listener.h"

#include <cerrno>
#include <system_error>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/reception/tcp_framing.h"
#include "platform/listening_socket.h"

namespace trevalon {
namespace {

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
                                     RefusalHandler onRefusal, BurstHandler onBurst,
                                     std::size_t maxConnections)
    : onMessage_(std::move(onMessage)),
      onConnectionError_(std::move(onConnectionError)),
      onRefusal_(std::move(onRefusal)),
      onBurst_(std::move(onBurst)),
      maxConnections_(maxConnections) {}

TcpSyslogListener::~TcpSyslogListener() {
    Deactivate();
}

void TcpSyslogListener::Activate(std::uint16_t port, std::chrono::milliseconds readTimeout) {
    Deactivate();
    readTimeout_ = readTimeout;
    socket_ = platform::OpenListeningSocket(SOCK_STREAM, port, boundPort_);
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
    bool refusing = false;
    for (;;) {
        if (platform::WaitReadable(socket_, stopFd_, -1) != platform::Readiness::kReadable) {
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
    bool failed = false;
    for (;;) {
        const platform::Readiness readiness =
            platform::WaitReadable(connection.fd, stopFd_, static_cast<int>(readTimeout_.count()));
        if (readiness == platform::Readiness::kStopped) {
            // Stopping: what has already arrived is still handled, then the connection closes.
            DrainArrived(connection.fd, buffer, framer, sink);
            break;
        }
        if (readiness != platform::Readiness::kReadable) {
            failed = true;  // the idle time-out, or the wait itself failed
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
        if (onBurst_) {
            onBurst_(BurstEvent::kBegins);
        }
        framer.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)), sink);
        if (onBurst_) {
            onBurst_(BurstEvent::kEnds);
        }
    }
    framer.Finish(sink);
    if (failed && onConnectionError_) {
        onConnectionError_();
    }
    close(connection.fd);
    connection.finished.store(true);
}

}  // namespace trevalon
