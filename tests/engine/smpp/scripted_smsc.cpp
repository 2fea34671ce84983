#include "tests/engine/smpp/scripted_smsc.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback_ports.h"

namespace trevalon::testing {

namespace {

void PutDWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<std::uint8_t>(value);
}

std::uint32_t GetDWord(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 |
           static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

}  // namespace

Bytes MakePdu(std::uint32_t commandId, std::uint32_t status, std::uint32_t sequence,
              const Bytes& body) {
    Bytes bytes(16 + body.size(), 0);
    PutDWord(bytes, 0, static_cast<std::uint32_t>(bytes.size()));
    PutDWord(bytes, 4, commandId);
    PutDWord(bytes, 8, status);
    PutDWord(bytes, 12, sequence);
    std::copy(body.begin(), body.end(), bytes.begin() + 16);
    return bytes;
}

Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

Bytes CString(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

SmscConnection::~SmscConnection() {
    Close();
}

void SmscConnection::Close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

bool SmscConnection::Fill(std::size_t wanted, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending_.size() < wanted) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{handle_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        std::uint8_t chunk[4096];
        const auto received = ::recv(handle_, chunk, sizeof chunk, 0);
        if (received <= 0) {
            return false;
        }
        pending_.insert(pending_.end(), chunk, chunk + received);
    }
    return true;
}

std::optional<SmppPdu> SmscConnection::ReadPdu(int timeoutMs) {
    if (handle_ < 0 || !Fill(16, timeoutMs)) {
        return std::nullopt;
    }
    const std::uint32_t length = GetDWord(pending_, 0);
    if (length < 16 || !Fill(length, timeoutMs)) {
        return std::nullopt;
    }
    SmppPdu pdu;
    pdu.Raw.assign(pending_.begin(), pending_.begin() + length);
    pending_.erase(pending_.begin(), pending_.begin() + length);
    pdu.CommandId = GetDWord(pdu.Raw, 4);
    pdu.CommandStatus = GetDWord(pdu.Raw, 8);
    pdu.SequenceNumber = GetDWord(pdu.Raw, 12);
    return pdu;
}

void SmscConnection::Send(const Bytes& bytes) {
    if (::send(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(bytes.size())) {
        ADD_FAILURE() << "the scripted SMSC could not send: errno " << errno;
    }
}

bool SmscConnection::WaitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{handle_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        std::uint8_t chunk[4096];
        const auto received = ::recv(handle_, chunk, sizeof chunk, 0);
        if (received <= 0) {
            return true;
        }
    }
}

ScriptedSmsc::ScriptedSmsc() {
    listener_ = BindLoopbackSocket(SOCK_STREAM, port_);
    if (::listen(listener_, 5) != 0) {
        ADD_FAILURE() << "cannot listen: errno " << errno;
    }
}

ScriptedSmsc::~ScriptedSmsc() {
    Finish();
    ::close(listener_);
}

void ScriptedSmsc::Run(Script script) {
    thread_ = std::thread([this, script = std::move(script)] {
        pollfd wait{listener_, POLLIN, 0};
        if (::poll(&wait, 1, 10000) <= 0) {
            ADD_FAILURE() << "no client connected to the scripted SMSC";
            return;
        }
        SmscConnection connection(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
        script(connection);
    });
}

void ScriptedSmsc::Finish() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

int UnusedPort() {
    return FreeLoopbackPorts(SOCK_STREAM, 1).front();
}

}  // namespace trevalon::testing
