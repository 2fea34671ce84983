#include "engine/smpp/tcp_client.h"

#include <cerrno>

#include <sys/socket.h>

#include "engine/smpp/socket_address.h"

namespace trevalon {

TCustomIpClient::~TCustomIpClient() {
    TCustomIpClient::Close();
}

bool TCustomIpClient::Open() {
    TIpSocket::Open();
    if (!Active() || Connected()) {
        return Connected();
    }
    sockaddr_in remote{};
    if (!MakeSocketAddress(RemoteHost(), RemotePort(), remote)) {
        errno = EADDRNOTAVAIL;
        CheckResult(-1);
        return false;
    }
    if ((!LocalHost().empty() || LocalPort() != "0") && BindLocal() != 0) {
        return false;
    }
    const int result = CheckResult(WithHandle([&](int handle) {
        return ::connect(handle, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    }));
    if (result != 0) {
        return false;
    }
    MarkConnected();
    NotifyConnect();
    return true;
}

void TCustomIpClient::Close() {
    if (!Active()) {
        return;
    }
    if (connected_.exchange(false)) {
        CheckResult(WithHandle([](int handle) { return ::shutdown(handle, SHUT_WR); }));
        NotifyDisconnect();
    }
    TIpSocket::Close();
}

void TCustomIpClient::NotifyConnect() {
    if (OnConnect) {
        OnConnect(*this);
    }
}

void TCustomIpClient::NotifyDisconnect() {
    if (OnDisconnect) {
        OnDisconnect(*this);
    }
}

int TtcTcpClient::ReadData() {
    if (buffer_.FreeSpace() == 0) {
        return 0;
    }
    const int result = ReceiveBuf(buffer_.FreeArea(), buffer_.FreeSpace(), 0);
    if (result > 0) {
        buffer_.Commit(result);
    }
    return result;
}

bool TtcTcpClient::WaitForData(int timeoutMs) {
    bool readable = false;
    bool failed = false;
    if (!Select(&readable, nullptr, &failed, timeoutMs) || !readable || failed) {
        return false;
    }
    char byte = 0;
    const int peeked = CheckResult(WithHandle([&](int handle) {
        return static_cast<int>(::recv(handle, &byte, 1, MSG_PEEK | MSG_DONTWAIT));
    }));
    return peeked == 1;
}

}  // namespace trevalon
