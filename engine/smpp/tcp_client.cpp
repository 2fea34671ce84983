#include "engine/smpp/tcp_client.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
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
    const int result =
        CheckResult(WithHandle([&](int handle) { return ConnectHandle(handle, remote); }));
    if (result != 0) {
        return false;
    }
    MarkConnected();
    NotifyConnect();
    return true;
}

int TCustomIpClient::ConnectHandle(int handle, const sockaddr_in& remote) {
    const auto* address = reinterpret_cast<const sockaddr*>(&remote);
    if (connectTimeOutMs_ <= 0) {
        return ::connect(handle, address, sizeof remote);
    }
    // Without a limit a host that drops packets holds the caller for the kernel's two minutes.
    const int flags = fcntl(handle, F_GETFL);
    fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    int result = ::connect(handle, address, sizeof remote);
    if (result != 0 && errno == EINPROGRESS) {
        short ready = 0;
        const int waited = WaitOnHandle(handle, POLLOUT, connectTimeOutMs_, ready);
        int error = 0;
        socklen_t length = sizeof error;
        if (waited == 0) {
            error = ETIMEDOUT;
        } else if (waited < 0) {
            error = errno;
        } else {
            getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &length);
        }
        result = error == 0 ? 0 : -1;
        errno = error;
    }
    const int savedErrno = errno;
    fcntl(handle, F_SETFL, flags);
    errno = savedErrno;
    return result;
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
