#include "engine/alarms/line_client.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/errno_text.h"

namespace trevalon {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

constexpr const char* kReadTimedOut = "Read timed out.";
constexpr const char* kWriteTimedOut = "Write timed out.";
constexpr const char* kConnectTimedOut = "Connect timed out.";
constexpr const char* kClosedGracefully = "Connection Closed Gracefully.";
constexpr const char* kLineTooLong = "Max line length exceeded.";
constexpr const char* kMalformedReply = "Malformed reply.";
constexpr const char* kTooManyLines = "Reply has too many lines.";
constexpr const char* kNotConnected = "Not Connected.";
constexpr const char* kLineBreakInCommand = "A command must be a single line.";

struct AddressListDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

// Milliseconds left until `deadline`, rounded up so that a wait never ends early; 0 when due.
int MillisecondsLeft(Deadline deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= Deadline::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// Waits on `socketFd` for `events`; false when `deadline` passed first.
bool PollUntil(int socketFd, short events, Deadline deadline) {
    for (;;) {
        const int left = MillisecondsLeft(deadline);
        if (left == 0) {
            return false;
        }
        pollfd waiting{socketFd, events, 0};
        const int ready = poll(&waiting, 1, left);
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return true;  // the next socket call reports the error
        }
    }
}

AddressList Resolve(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (result != 0) {
        const std::string message =
            result == EAI_SYSTEM ? platform::ErrnoText(errno) : gai_strerror(result);
        throw LineClientError(LineFailure::SocketError, message);
    }
    return AddressList(found);
}

// A connected socket to `address`, -1 with `error` set when refused, or a raised time-out.
int ConnectTo(const addrinfo& address, Deadline deadline, int& error) {
    const int socketFd =
        socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socketFd < 0) {
        error = errno;
        return -1;
    }
    if (connect(socketFd, address.ai_addr, address.ai_addrlen) == 0) {
        return socketFd;
    }
    if (errno != EINPROGRESS) {
        error = errno;
        close(socketFd);
        return -1;
    }
    if (!PollUntil(socketFd, POLLOUT, deadline)) {
        close(socketFd);
        throw LineClientError(LineFailure::ConnectTimedOut, kConnectTimedOut);
    }
    socklen_t length = sizeof error;
    if (getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error != 0) {
        close(socketFd);
        return -1;
    }
    return socketFd;
}

bool IsDigit(char character) {
    return std::isdigit(static_cast<unsigned char>(character)) != 0;
}

bool IsControl(char character) {
    const auto byte = static_cast<unsigned char>(character);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

LineClient::LineClient(std::chrono::milliseconds readTimeout) : readTimeout_(readTimeout) {}

LineClient::~LineClient() {
    Close();
}

void LineClient::Connect(const std::string& host, int port, std::chrono::milliseconds timeout) {
    Close();
    if (host.empty()) {
        throw LineClientError(LineFailure::HostRequired, "Host/IP required");
    }
    if (port == 0) {
        throw LineClientError(LineFailure::PortRequired, "Port required");
    }
    if (port < 0 || port > 65535) {
        throw LineClientError(LineFailure::InvalidPort, "Invalid Port");
    }
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    const AddressList addresses = Resolve(host, port);
    int error = ECONNREFUSED;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        socket_ = ConnectTo(*address, deadline, error);
        if (socket_ >= 0) {
            peerClosed_ = false;
            return;
        }
    }
    throw LineClientError(LineFailure::SocketError, platform::ErrnoText(error));
}

bool LineClient::Connected() const {
    if (socket_ < 0 || peerClosed_) {
        return false;
    }
    char byte = 0;
    const ssize_t peeked = recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked > 0 || (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

void LineClient::Close() noexcept {
    if (socket_ >= 0) {
        close(socket_);
        socket_ = -1;
    }
    received_.clear();
}

void LineClient::WriteLine(std::string_view line) {
    if (line.find_first_of("\r\n") != std::string_view::npos) {
        throw LineClientError(LineFailure::LineBreakInCommand, kLineBreakInCommand);
    }
    std::string bytes(line);
    bytes += "\r\n";
    Write(bytes);
}

void LineClient::Write(std::string_view bytes) {
    RequireConnection();
    const Deadline deadline = std::chrono::steady_clock::now() + readTimeout_;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count >= 0) {
            sent += static_cast<std::size_t>(count);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!PollUntil(socket_, POLLOUT, deadline)) {
                FailAndClose(LineFailure::WriteTimedOut, kWriteTimedOut);
            }
        } else if (errno != EINTR) {
            FailAndClose(LineFailure::SocketError, platform::ErrnoText(errno));
        }
    }
}

LineReply LineClient::Command(std::string_view line, std::initializer_list<int> accepted) {
    WriteLine(line);
    return ReadReply(accepted);
}

LineReply LineClient::ReadReply(std::initializer_list<int> accepted) {
    RequireConnection();
    const Deadline deadline = std::chrono::steady_clock::now() + readTimeout_;
    LineReply reply;
    for (int count = 0;; ++count) {
        if (count == kMaxReplyLines) {
            FailAndClose(LineFailure::MalformedReply, kTooManyLines);
        }
        const std::string line = ReadLine(deadline);
        const bool last = line.size() == 3 || (line.size() > 3 && line[3] == ' ');
        if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]) ||
            (!last && line[3] != '-')) {
            FailAndClose(LineFailure::MalformedReply, kMalformedReply);
        }
        if (count > 0) {
            reply.text += ' ';
        }
        reply.text.append(line, std::min<std::size_t>(line.size(), 4));
        if (last) {
            reply.code = std::stoi(line.substr(0, 3));
            break;
        }
    }
    for (char& character : reply.text) {
        if (IsControl(character)) {
            character = ' ';
        }
    }
    if (accepted.size() != 0 &&
        std::find(accepted.begin(), accepted.end(), reply.code) == accepted.end()) {
        throw LineClientError(LineFailure::UnexpectedReply,
                              reply.text.empty() ? std::to_string(reply.code) : reply.text);
    }
    return reply;
}

std::string LineClient::ReadLine(Deadline deadline) {
    for (;;) {
        const std::size_t end = received_.find('\n');
        if (end != std::string::npos && end <= kMaxReplyLine) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (received_.size() > kMaxReplyLine) {
            FailAndClose(LineFailure::LineTooLong, kLineTooLong);
        }
        if (!PollUntil(socket_, POLLIN, deadline)) {
            FailAndClose(LineFailure::ReadTimedOut, kReadTimedOut);
        }
        char chunk[4096];
        const ssize_t count = recv(socket_, chunk, sizeof chunk, 0);
        if (count > 0) {
            received_.append(chunk, static_cast<std::size_t>(count));
        } else if (count == 0) {
            peerClosed_ = true;
            FailAndClose(LineFailure::ClosedByPeer, kClosedGracefully);
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            FailAndClose(LineFailure::SocketError, platform::ErrnoText(errno));
        }
    }
}

void LineClient::FailAndClose(LineFailure failure, const std::string& message) {
    Close();
    throw LineClientError(failure, message);
}

void LineClient::RequireConnection() const {
    if (socket_ < 0) {
        throw LineClientError(LineFailure::NotConnected, kNotConnected);
    }
}

}  // namespace trevalon
