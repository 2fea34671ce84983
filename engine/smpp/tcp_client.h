#pragma once

#include <atomic>

#include <netinet/in.h>

#include "engine/smpp/ip_socket.h"
#include "engine/smpp/receive_buffer.h"

namespace trevalon {

// A TCP client: Open resolves the remote endpoint, binds the local one only when one is set,
// and connects, blocking, for at most the connect time-out when one is set.
class TCustomIpClient : public TIpSocket {
  public:
    ~TCustomIpClient() override;

    bool Connected() const { return connected_.load(); }
    // 0 or less: wait as long as the system does. A connect that runs out fails with ETIMEDOUT.
    void SetConnectTimeOut(int milliseconds) { connectTimeOutMs_ = milliseconds; }

    bool Open() override;
    // Shuts down the sending direction when connected, then closes the handle.
    void Close() override;

    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;

  protected:
    virtual void NotifyConnect();
    virtual void NotifyDisconnect();
    void MarkConnected() { connected_.store(true); }

  private:
    int ConnectHandle(int handle, const sockaddr_in& remote);

    std::atomic<bool> connected_{false};
    int connectTimeOutMs_ = 0;
};

// A client with its own receive buffer, from which whole PDUs are taken. Only the thread that
// receives touches the buffer.
class TtcTcpClient : public TCustomIpClient {
  public:
    // One receive into the free part of the buffer; the receive's result (0: the peer closed,
    // or the buffer is full and nothing was asked for; -1: failure).
    int ReadData();
    int PeekData(void* destination, int n) const { return buffer_.PeekData(destination, n); }
    int ReceiveData(void* destination, int n) { return buffer_.ReceiveData(destination, n); }
    int BytesRead() const { return buffer_.BytesRead(); }
    TtcReceiveBuffer& Buffer() { return buffer_; }

    // True only when data can be read: not on time-out, failure, cancel or the peer's close.
    bool WaitForData(int timeoutMs);

  private:
    friend class TCustomTcpServer;

    TtcReceiveBuffer buffer_;
};

}  // namespace trevalon
