#include "engine/smpp/ip_socket.h"

#include <cerrno>

#include <sys/socket.h>

#include "engine/smpp/socket_address.h"

namespace trevalon {

void TIpSocket::SetLocalHost(const TSocketHost& host) {
    Change(localHost_, host);
}
void TIpSocket::SetLocalPort(const TSocketPort& port) {
    Change(localPort_, port);
}
void TIpSocket::SetRemoteHost(const TSocketHost& host) {
    Change(remoteHost_, host);
}
void TIpSocket::SetRemotePort(const TSocketPort& port) {
    Change(remotePort_, port);
}

void TIpSocket::Change(std::string& field, const std::string& value) {
    if (field == value) {
        return;
    }
    Close();
    field = value;
}

void TIpSocket::StoreRemote(const TSocketHost& host, const TSocketPort& port) {
    remoteHost_ = host;
    remotePort_ = port;
}

int TIpSocket::BindLocal() {
    sockaddr_in address{};
    if (!MakeSocketAddress(localHost_, localPort_, address)) {
        errno = EADDRNOTAVAIL;
        return CheckResult(-1);
    }
    return CheckResult(WithHandle([&](int handle) {
        return ::bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }));
}

}  // namespace trevalon
