#pragma once

#include <memory>

#include "engine/smpp/relay_thread.h"
#include "engine/smpp/smsc_message.h"
#include "engine/smpp/tcp_client.h"

namespace trevalon {

class TtcSMSCRelay;

// Reads the PDUs of one connection and hands each to the session's dispatch. When the
// connection ends without the thread having been told to end, the session hears of it.
class TReceiveThread final : public TRelayThread {
  public:
    TReceiveThread(TtcSMSCRelay& relay, std::shared_ptr<TtcTcpClient> connection, bool accepted);
    ~TReceiveThread() override;

    const std::shared_ptr<TtcTcpClient>& Connection() const { return connection_; }

  protected:
    void Execute() override;

  private:
    void Ended(int reason);

    TtcSMSCRelay& relay_;
    std::shared_ptr<TtcTcpClient> connection_;
    bool accepted_;
    std::unique_ptr<TtcSMSCMessage> incoming_;
};

// Probes the peer with a keep-alive request when nothing was sent for KeepAliveInterval.
class TKeepAliveThread final : public TRelayThread {
  public:
    explicit TKeepAliveThread(TtcSMSCRelay& relay) : relay_(relay) {}
    ~TKeepAliveThread() override;

  protected:
    void Execute() override;

  private:
    TtcSMSCRelay& relay_;
};

class TtcTcpServer;

// Accepts connections in listening mode and starts a receive thread for each.
class TServerThread final : public TRelayThread {
  public:
    TServerThread(TtcSMSCRelay& relay, TtcTcpServer& listener)
        : relay_(relay), listener_(listener) {}
    ~TServerThread() override;

  protected:
    void Execute() override;

  private:
    TtcSMSCRelay& relay_;
    TtcTcpServer& listener_;
};

}  // namespace trevalon
