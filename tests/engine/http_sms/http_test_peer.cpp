#include "tests/engine/http_sms/http_test_peer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevalon::testing {
namespace {

// A request larger than this is not a request any test sends.
constexpr std::size_t kRequestLimit = 1024 * 1024;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char character) { return std::tolower(character); });
    return lower;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int BoundPort(int descriptor) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("getsockname failed");
    }
    return ntohs(address.sin_port);
}

std::size_t ContentLength(const std::string& head) {
    const std::string lower = Lower(head);
    const std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return std::stoul(head.substr(at + 17));
}

}  // namespace

std::string HttpRequestRecord::RequestLine() const {
    return head.substr(0, head.find("\r\n"));
}

std::optional<std::string> HttpRequestRecord::Header(std::string_view name) const {
    const std::string wanted = "\r\n" + Lower(name) + ":";
    const std::string lower = Lower(head);
    const std::size_t at = lower.find(wanted);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::size_t from = at + wanted.size();
    while (from < head.size() && head[from] == ' ') {
        ++from;
    }
    return head.substr(from, head.find("\r\n", from) - from);
}

HttpTestPeer::HttpTestPeer(Responder respond) : respond_(std::move(respond)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wake_ = eventfd(0, EFD_CLOEXEC);
    const sockaddr_in address = Loopback(0);
    if (listener_ < 0 || wake_ < 0 ||
        bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0) {
        throw std::runtime_error("the HTTP test peer cannot listen on loopback");
    }
    port_ = BoundPort(listener_);
    thread_ = std::thread([this] { Serve(); });
}

HttpTestPeer::~HttpTestPeer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    thread_.join();
    close(listener_);
    close(wake_);
}

std::string HttpTestPeer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<HttpRequestRecord> HttpTestPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpTestPeer::Serve() {
    while (WaitFor(listener_, POLLIN)) {
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            ServeConnection(connection);
            close(connection);
        }
    }
}

void HttpTestPeer::ServeConnection(int connection) {
    HttpRequestRecord request;
    if (!ReadRequest(connection, request)) {
        return;
    }
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        index = requests_.size();
        requests_.push_back(request);
    }
    const HttpReply reply = respond_(request, index);
    if (reply.silent) {
        WaitUntilClientLeaves(connection);
        return;
    }
    SendAll(connection, reply.bytes);
    shutdown(connection, SHUT_WR);
}

bool HttpTestPeer::ReadRequest(int connection, HttpRequestRecord& request) const {
    std::string received;
    std::size_t headEnd = std::string::npos;
    std::size_t wanted = kRequestLimit;
    while (received.size() < wanted) {
        if (!WaitFor(connection, POLLIN)) {
            return false;
        }
        char buffer[16384];
        const ssize_t count = recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0) {
            return false;
        }
        received.append(buffer, static_cast<std::size_t>(count));
        if (headEnd == std::string::npos) {
            headEnd = received.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                headEnd += 4;
                wanted =
                    std::min(kRequestLimit, headEnd + ContentLength(received.substr(0, headEnd)));
            }
        }
    }
    if (headEnd == std::string::npos) {
        return false;
    }
    request.head = received.substr(0, headEnd);
    request.body = received.substr(headEnd);
    return true;
}

void HttpTestPeer::SendAll(int connection, std::string_view bytes) const {
    while (!bytes.empty() && WaitFor(connection, POLLOUT)) {
        const ssize_t count =
            send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        }
        if (count > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
    }
}

void HttpTestPeer::WaitUntilClientLeaves(int connection) const {
    char buffer[4096];
    while (WaitFor(connection, POLLIN) && recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
}

bool HttpTestPeer::WaitFor(int descriptor, short events) const {
    pollfd watched[2] = {{descriptor, events, 0}, {wake_, POLLIN, 0}};
    for (;;) {
        const int ready = poll(watched, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && watched[1].revents == 0;
    }
}

std::string HttpResponse(int status, std::string_view reason, std::string_view headers,
                         std::string_view body) {
    std::string response = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
                           "\r\n" + std::string(headers) +
                           "Content-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n";
    response.append(body);
    return response;
}

}  // namespace trevalon::testing
