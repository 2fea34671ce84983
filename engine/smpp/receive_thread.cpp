#include "engine/smpp/receive_thread.h"

#include <cerrno>

#include "engine/smpp/smsc_relay.h"

namespace trevalon {

TReceiveThread::TReceiveThread(TtcSMSCRelay& relay, std::shared_ptr<TtcTcpClient> connection,
                               bool accepted)
    : relay_(relay),
      connection_(std::move(connection)),
      accepted_(accepted),
      incoming_(relay.NewMessage()) {}

TReceiveThread::~TReceiveThread() {
    WaitFor();
}

void TReceiveThread::Execute() {
    TtcTcpClient& connection = *connection_;
    while (!Terminated()) {
        if (connection.BytesRead() == 0 && !connection.WaitForData(-1)) {
            // Closed on this side while waiting: an interrupted call, whatever the wait saw.
            Ended(connection.Active() ? LastSocketError() : EINTR);
            return;
        }
        if (Terminated()) {
            return;
        }
        switch (incoming_->ExtractFrom(connection.Buffer())) {
            case TExtractResult::erComplete:
                incoming_->SetConnection(connection_);
                relay_.Dispatch(*incoming_);
                break;
            case TExtractResult::erInvalid:
                Ended(EPROTO);
                return;
            case TExtractResult::erIncomplete:
                // The peer closing or failing in the middle of a PDU ends the connection too.
                if (connection.ReadData() <= 0) {
                    Ended(connection.Active() ? LastSocketError() : EINTR);
                    return;
                }
                break;
        }
    }
}

void TReceiveThread::Ended(int reason) {
    if (Terminated()) {
        return;
    }
    if (accepted_) {
        relay_.AcceptedConnectionEnded(*this);
    } else {
        relay_.ConnectionLost(reason);
    }
}

TKeepAliveThread::~TKeepAliveThread() {
    WaitFor();
}

void TKeepAliveThread::Execute() {
    while (!Terminated()) {
        relay_.activityEvent_.Reset();
        if (relay_.activityEvent_.WaitFor(relay_.KeepAliveInterval())) {
            continue;
        }
        if (Terminated()) {
            return;
        }
        const std::int32_t result = relay_.SendEnquireLink();
        // A wait released because the session stops or the connection was lost is no expiry.
        if (Terminated()) {
            return;
        }
        if (result == relay_result::kNoReply) {
            Terminate();
            relay_.KeepAliveExpired();
        }
    }
}

TServerThread::~TServerThread() {
    WaitFor();
}

void TServerThread::Execute() {
    while (!Terminated()) {
        if (!listener_.WaitForConnection() || Terminated()) {
            return;
        }
        auto client = std::make_shared<TtcTcpClient>();
        if (listener_.Accept(*client)) {
            relay_.StartAcceptedConnection(std::move(client));
        }
    }
}

}  // namespace trevalon
