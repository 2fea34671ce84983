#pragma once

#include <atomic>
#include <functional>

#include "engine/smpp/ip_socket.h"
#include "engine/smpp/tcp_client.h"

namespace trevalon {

using TSocketAcceptEvent = std::function<void(TBaseSocket& sender, TtcTcpClient& clientSocket)>;

// A listening TCP socket on LocalHost:LocalPort with a backlog of 5.
class TCustomTcpServer : public TIpSocket {
  public:
    ~TCustomTcpServer() override;

    bool Listening() const { return listening_.load(); }

    // Listening only when the handle, the bind and the listen all succeed.
    bool Open() override;
    void Close() override;

    // Takes one pending connection into `client`, which becomes open and connected with the
    // peer's address and port as its remote endpoint.
    bool Accept(TtcTcpClient& client);
    // Waits without limit for a connection to accept; false on failure or cancel.
    bool WaitForConnection();

    TSocketAcceptEvent OnAccept;
    TSocketNotifyEvent OnListening;

  protected:
    virtual void NotifyAccept(TtcTcpClient& client);

  private:
    std::atomic<bool> listening_{false};
};

enum class TServerSocketBlockMode { bmBlocking, bmNonBlocking, bmThreadBlocking };

class TtcTcpServer : public TCustomTcpServer {
  public:
    TtcTcpServer();

    TServerSocketBlockMode ServerBlockMode() const { return serverBlockMode_; }
    // Also sets the socket's own mode; thread blocking listens in blocking mode.
    void SetServerBlockMode(TServerSocketBlockMode mode);

  private:
    TServerSocketBlockMode serverBlockMode_ = TServerSocketBlockMode::bmThreadBlocking;
};

}  // namespace trevalon
