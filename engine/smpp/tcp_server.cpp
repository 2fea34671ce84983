#include "engine/smpp/tcp_server.h"

#include <string>

#include <arpa/inet.h>
#include <sys/socket.h>

namespace trevalon {

namespace {

constexpr int kListenBacklog = 5;

}  // namespace

TCustomTcpServer::~TCustomTcpServer() {
    TCustomTcpServer::Close();
}

bool TCustomTcpServer::Open() {
    if (!TIpSocket::Open()) {
        return false;
    }
    if (Listening()) {
        return true;
    }
    // Connections that ended a moment ago must not keep the port from being listened on again.
    const int reuse = 1;
    CheckResult(WithHandle([&](int handle) {
        return ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    }));
    if (BindLocal() != 0) {
        return false;
    }
    if (CheckResult(WithHandle([](int handle) { return ::listen(handle, kListenBacklog); })) != 0) {
        return false;
    }
    listening_.store(true);
    if (OnListening) {
        OnListening(*this);
    }
    return true;
}

void TCustomTcpServer::Close() {
    listening_.store(false);
    TIpSocket::Close();
}

bool TCustomTcpServer::WaitForConnection() {
    bool readable = false;
    bool failed = false;
    return Select(&readable, nullptr, &failed, -1) && readable && !failed;
}

bool TCustomTcpServer::Accept(TtcTcpClient& client) {
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const int flags =
        SOCK_CLOEXEC | (BlockMode() == TSocketBlockMode::bmNonBlocking ? SOCK_NONBLOCK : 0);
    const int handle = CheckResult(WithHandle([&](int listener) {
        return ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength, flags);
    }));
    if (handle < 0) {
        return false;
    }
    client.Close();
    char dotted[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
    client.StoreRemote(dotted, std::to_string(ntohs(peer.sin_port)));
    client.AdoptHandle(handle, BlockMode());
    client.MarkConnected();
    NotifyAccept(client);
    return true;
}

void TCustomTcpServer::NotifyAccept(TtcTcpClient& client) {
    if (OnAccept) {
        OnAccept(*this, client);
    }
}

TtcTcpServer::TtcTcpServer() {
    SetServerBlockMode(TServerSocketBlockMode::bmThreadBlocking);
}

void TtcTcpServer::SetServerBlockMode(TServerSocketBlockMode mode) {
    serverBlockMode_ = mode;
    SetBlockMode(mode == TServerSocketBlockMode::bmNonBlocking ? TSocketBlockMode::bmNonBlocking
                                                               : TSocketBlockMode::bmBlocking);
}

}  // namespace trevalon
