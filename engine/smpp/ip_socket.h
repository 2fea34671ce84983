#pragma once

// A TCP socket with local and remote endpoints, the base of the SMPP client and test server.

#include <string>

#include "engine/smpp/base_socket.h"

namespace trevalon {

using TSocketHost = std::string;
// A decimal number or a service name.
using TSocketPort = std::string;

// A socket with local and remote endpoints. Changing an endpoint closes the socket.
class TIpSocket : public TBaseSocket {
  public:
    const TSocketHost& LocalHost() const { return localHost_; }
    const TSocketPort& LocalPort() const { return localPort_; }
    const TSocketHost& RemoteHost() const { return remoteHost_; }
    const TSocketPort& RemotePort() const { return remotePort_; }
    void SetLocalHost(const TSocketHost& host);
    void SetLocalPort(const TSocketPort& port);
    void SetRemoteHost(const TSocketHost& host);
    void SetRemotePort(const TSocketPort& port);

  protected:
    // Records the peer of an accepted connection without closing anything.
    void StoreRemote(const TSocketHost& host, const TSocketPort& port);
    // Binds the handle to LocalHost:LocalPort; the result of the bind call.
    int BindLocal();

  private:
    void Change(std::string& field, const std::string& value);

    TSocketHost localHost_;
    TSocketPort localPort_ = "0";
    TSocketHost remoteHost_;
    TSocketPort remotePort_ = "0";
};

}  // namespace trevalon
