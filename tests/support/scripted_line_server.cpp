#include "tests/support/scripted_line_server.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/loopback_ports.h"

namespace trevalon::testing {
namespace {

// Whether `socketFd` became readable within ScriptedConnection::kPeerPatience.
bool Readable(int socketFd) {
    pollfd waiting{socketFd, POLLIN, 0};
    const int patience =
        static_cast<int>(std::chrono::milliseconds(ScriptedConnection::kPeerPatience).count());
    int ready = 0;
    do {
        ready = poll(&waiting, 1, patience);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace

std::optional<std::string> ScriptedConnection::ReadLine() {
    for (;;) {
        const std::size_t end = received_.find('\n', consumed_);
        if (end != std::string::npos) {
            std::string line = received_.substr(consumed_, end - consumed_);
            consumed_ = end + 1;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (!ReadMore()) {
            return std::nullopt;
        }
    }
}

void ScriptedConnection::WaitForClose() {
    while (ReadMore()) {
    }
}

void ScriptedConnection::Send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;  // the client has gone; what it saw is what the test checks
        }
        sent += static_cast<std::size_t>(count);
    }
}

void ScriptedConnection::Reply(std::string_view reply) {
    Send(std::string(reply) + "\r\n");
}

bool ScriptedConnection::Answer(std::string_view reply) {
    if (!ReadLine()) {
        return false;
    }
    Reply(reply);
    return true;
}

bool ScriptedConnection::ReadMore() {
    if (!Readable(socket_)) {
        return false;
    }
    char chunk[4096];
    ssize_t count = 0;
    do {
        count = recv(socket_, chunk, sizeof chunk, 0);
    } while (count < 0 && errno == EINTR);
    if (count <= 0) {
        return false;
    }
    received_.append(chunk, static_cast<std::size_t>(count));
    return true;
}

ScriptedLineServer::ScriptedLineServer(Script script) {
    listener_ = BindLoopbackSocket(SOCK_STREAM, port_);
    if (listen(listener_, 4) != 0) {
        ADD_FAILURE() << "listen: " << std::strerror(errno);
    }
    thread_ =
        std::thread([this, script = std::move(script)]() mutable { Serve(std::move(script)); });
}

ScriptedLineServer::~ScriptedLineServer() {
    if (thread_.joinable()) {
        thread_.join();
    }
    close(listener_);
}

std::string ScriptedLineServer::Transcript() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return transcript_;
}

void ScriptedLineServer::Serve(Script script) {
    if (!Readable(listener_)) {
        return;  // nobody connected: the test's own expectations say so
    }
    const int connectionFd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connectionFd < 0) {
        return;
    }
    ScriptedConnection connection(connectionFd);
    script(connection);
    transcript_ = connection.Received();
    close(connectionFd);
}

RefusingPort::RefusingPort() {
    socket_ = BindLoopbackSocket(SOCK_STREAM, port_);
}

RefusingPort::~RefusingPort() {
    close(socket_);
}

SilentListener::SilentListener() {
    listener_ = BindLoopbackSocket(SOCK_STREAM, port_);
    // A backlog of 0 holds one finished handshake; with it taken, new attempts are dropped.
    if (listen(listener_, 0) != 0) {
        ADD_FAILURE() << "listen: " << std::strerror(errno);
    }
    queued_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    if (connect(queued_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "cannot fill the accept queue: " << std::strerror(errno);
    }
}

SilentListener::~SilentListener() {
    close(queued_);
    close(listener_);
}

}  // namespace trevalon::testing
