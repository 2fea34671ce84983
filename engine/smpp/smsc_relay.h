#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/smpp/manual_reset_event.h"
#include "engine/smpp/owner_queue.h"
#include "engine/smpp/reply_event.h"
#include "engine/smpp/smsc_message.h"
#include "engine/smpp/tcp_client.h"
#include "engine/smpp/tcp_server.h"

namespace trevalon {

class TReceiveThread;
class TKeepAliveThread;
class TServerThread;
class TtcSMSCRelay;

enum class RelayState { rsIdle, rsConnected, rsOpened, rsBound };

using TDisconnectedEvent = std::function<void(TtcSMSCRelay& sender, int reason)>;

namespace relay_result {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kNoReply = -1;
inline constexpr std::int32_t kWrongState = -2;
inline constexpr std::int32_t kNegativeAcknowledgement = -3;
}  // namespace relay_result

// One connection to an SMSC: connect, open (receive thread and keep-alive thread), request and
// wait, dispatch of what arrives, and the report of a lost connection.
//
// Operations return 0 for success, -1 when no reply came within ResponseTimeOut (or the
// connection was lost while waiting), -2 when the state does not allow the operation, -3 for a
// negative acknowledgement, else the peer's command status (for Connect, the socket error).
//
// The caller runs Connect, the protocol operations and Disconnect one at a time. Requests from
// the peer, and the report of a lost connection (OnDisconnected), are handled on the session's
// own owner thread. Every thread the session starts ends and is joined by Disconnect or, at the
// latest, by the destructor. Handlers must not destroy the session.
class TtcSMSCRelay {
  public:
    virtual ~TtcSMSCRelay();
    TtcSMSCRelay(const TtcSMSCRelay&) = delete;
    TtcSMSCRelay& operator=(const TtcSMSCRelay&) = delete;

    std::int32_t Connect(const std::string& host, int port);
    std::int32_t Unbind();
    std::int32_t Disconnect();
    std::int32_t Listen(int port);
    std::int32_t StopListening();

    RelayState State() const;
    bool KeepAlive() const { return keepAlive_.load(); }
    void SetKeepAlive(bool keepAlive);
    std::int32_t KeepAliveInterval() const { return keepAliveInterval_.load(); }
    void SetKeepAliveInterval(std::int32_t milliseconds) { keepAliveInterval_.store(milliseconds); }
    std::int32_t ResponseTimeOut() const { return responseTimeOut_.load(); }
    void SetResponseTimeOut(std::int32_t milliseconds) { responseTimeOut_.store(milliseconds); }
    // How long Connect may wait for the peer; 0 or less: as long as the system does.
    void SetConnectTimeOut(std::int32_t milliseconds) { connectTimeOut_ = milliseconds; }

    // Assigned before Connect.
    TDisconnectedEvent OnDisconnected;

  protected:
    TtcSMSCRelay();

    virtual std::unique_ptr<TtcSMSCMessage> NewMessage() const = 0;
    // A message from the peer; true when it was taken and is to be answered.
    virtual bool HandleDeliver(const TtcSMSCMessage& request);

    std::int32_t StartReceiving();
    std::int32_t StopReceiving();
    // Moves the state on only from `from`; false when the state was another.
    bool Transition(RelayState from, RelayState to);

    // Builds into the outgoing PDU and sends it, then waits for `event`. The outgoing PDU is
    // shared by the caller, the keep-alive thread and the owner thread, so building and
    // sending happen under one lock; `mayProceed` (checked under that lock, after building)
    // can still refuse with -2.
    std::int32_t SendAndWait(TReplyEvent& event,
                             const std::function<void(TtcSMSCMessage& outgoing)>& build,
                             const std::function<bool()>& mayProceed = {},
                             std::string* messageId = nullptr);

    // Ends every thread and the owner queue; the most derived destructor calls it first.
    void Shutdown();

    TReplyEvent& ResponseEvent() { return responseEvent_; }

  private:
    friend class TReceiveThread;
    friend class TKeepAliveThread;
    friend class TServerThread;

    std::int32_t SendEnquireLink();
    std::int32_t SendUnbind();
    void SendPdu(const TtcSMSCMessage& message);
    void Dispatch(TtcSMSCMessage& incoming);
    void HandleRequest(const TtcSMSCMessage& request);
    void ConnectionLost(int reason);
    void KeepAliveExpired();
    void ReportDisconnect(int reason);
    void PostDisconnected(int reason);
    void StartAcceptedConnection(std::shared_ptr<TtcTcpClient> client);
    void AcceptedConnectionEnded(TReceiveThread& thread);

    void StartKeepAlive();
    void StopKeepAlive();
    void StopReceiveThread();
    void TerminateThreads();
    void StopAcceptedConnections();
    void ReleaseFinishedThreads();

    std::shared_ptr<TtcTcpClient> connection_;
    std::int32_t connectTimeOut_ = 0;
    std::unique_ptr<TtcSMSCMessage> outgoing_;
    std::mutex sendMutex_;

    mutable std::mutex stateMutex_;
    RelayState state_ = RelayState::rsIdle;

    std::mutex threadsMutex_;
    std::unique_ptr<TReceiveThread> receiveThread_;
    std::unique_ptr<TKeepAliveThread> keepAliveThread_;

    std::unique_ptr<TtcTcpServer> listener_;
    std::unique_ptr<TServerThread> serverThread_;
    std::mutex acceptedMutex_;
    std::vector<std::unique_ptr<TReceiveThread>> acceptedThreads_;
    // Accepted-connection threads that ended by themselves, until they are joined.
    std::vector<std::unique_ptr<TReceiveThread>> finishedThreads_;

    TReplyEvent keepAliveReplyEvent_;
    TReplyEvent responseEvent_;
    ManualResetEvent activityEvent_;

    std::atomic<bool> keepAlive_{true};
    std::atomic<std::int32_t> keepAliveInterval_{10000};
    std::atomic<std::int32_t> responseTimeOut_{10000};

    TOwnerQueue ownerQueue_;
    bool shutDown_ = false;
};

}  // namespace trevalon
