#include "engine/smpp/smsc_relay.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "engine/smpp/receive_thread.h"

namespace trevalon {

TtcSMSCRelay::TtcSMSCRelay() : connection_(std::make_shared<TtcTcpClient>()) {}

TtcSMSCRelay::~TtcSMSCRelay() {
    Shutdown();
}

void TtcSMSCRelay::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    StopListening();
    StopAcceptedConnections();
    TerminateThreads();
    connection_->Close();
    StopKeepAlive();
    StopReceiveThread();
    responseEvent_.Release();
    // Runs what the threads posted last, among it the report of the connection's end.
    ownerQueue_.Stop();
}

RelayState TtcSMSCRelay::State() const {
    std::lock_guard lock(stateMutex_);
    return state_;
}

bool TtcSMSCRelay::Transition(RelayState from, RelayState to) {
    std::lock_guard lock(stateMutex_);
    if (state_ != from) {
        return false;
    }
    state_ = to;
    return true;
}

std::int32_t TtcSMSCRelay::Connect(const std::string& host, int port) {
    if (State() != RelayState::rsIdle) {
        return relay_result::kWrongState;
    }
    // Threads left from a link that was given up (an unanswered probe) end with it.
    connection_->Close();
    StopKeepAlive();
    StopReceiveThread();
    connection_->SetLocalHost("");
    connection_->SetLocalPort("0");
    connection_->SetRemoteHost(host);
    connection_->SetRemotePort(std::to_string(port));
    connection_->SetBlockMode(TSocketBlockMode::bmBlocking);
    connection_->SetConnectTimeOut(connectTimeOut_);
    if (connection_->Open()) {
        return Transition(RelayState::rsIdle, RelayState::rsConnected) ? relay_result::kSuccess
                                                                       : relay_result::kWrongState;
    }
    const int error = LastSocketError();
    // A failed connect leaves no half-made socket behind for the next attempt.
    connection_->Close();
    return error != 0 ? error : EIO;
}

std::int32_t TtcSMSCRelay::StartReceiving() {
    if (!Transition(RelayState::rsConnected, RelayState::rsOpened)) {
        return relay_result::kWrongState;
    }
    StopKeepAlive();
    StopReceiveThread();
    {
        std::lock_guard lock(sendMutex_);
        outgoing_ = NewMessage();
        outgoing_->SetConnection(connection_);
    }
    connection_->ClearCancel();
    auto receiver = std::make_unique<TReceiveThread>(*this, connection_, false);
    TReceiveThread& started = *receiver;
    {
        std::lock_guard lock(threadsMutex_);
        receiveThread_ = std::move(receiver);
    }
    started.Start();
    if (KeepAlive()) {
        StartKeepAlive();
    }
    return relay_result::kSuccess;
}

std::int32_t TtcSMSCRelay::StopReceiving() {
    if (State() != RelayState::rsBound) {
        return relay_result::kWrongState;
    }
    StopKeepAlive();
    StopReceiveThread();
    Transition(RelayState::rsBound, RelayState::rsConnected);
    return relay_result::kSuccess;
}

void TtcSMSCRelay::StartKeepAlive() {
    auto thread = std::make_unique<TKeepAliveThread>(*this);
    TKeepAliveThread& started = *thread;
    {
        std::lock_guard lock(threadsMutex_);
        keepAliveThread_ = std::move(thread);
    }
    started.Start();
}

void TtcSMSCRelay::StopKeepAlive() {
    std::unique_ptr<TKeepAliveThread> thread;
    {
        std::lock_guard lock(threadsMutex_);
        thread = std::move(keepAliveThread_);
    }
    if (thread) {
        thread->Terminate();
        activityEvent_.Set();
        keepAliveReplyEvent_.Release();
        thread->WaitFor();
    }
}

void TtcSMSCRelay::StopReceiveThread() {
    std::unique_ptr<TReceiveThread> thread;
    {
        std::lock_guard lock(threadsMutex_);
        thread = std::move(receiveThread_);
    }
    if (thread) {
        thread->Terminate();
        thread->Connection()->CancelBlockingCall();
        thread->WaitFor();
    }
}

void TtcSMSCRelay::TerminateThreads() {
    std::lock_guard lock(threadsMutex_);
    if (keepAliveThread_) {
        keepAliveThread_->Terminate();
    }
    if (receiveThread_) {
        receiveThread_->Terminate();
    }
}

void TtcSMSCRelay::SetKeepAlive(bool keepAlive) {
    keepAlive_.store(keepAlive);
    if (State() != RelayState::rsOpened) {
        return;
    }
    bool running = false;
    {
        std::lock_guard lock(threadsMutex_);
        running = keepAliveThread_ != nullptr;
    }
    if (!keepAlive) {
        StopKeepAlive();
    } else if (!running) {
        StartKeepAlive();
    }
}

std::int32_t TtcSMSCRelay::Unbind() {
    if (State() != RelayState::rsBound) {
        return relay_result::kSuccess;
    }
    const std::int32_t result = SendUnbind();
    if (result != relay_result::kSuccess) {
        return result;
    }
    // The link may have been lost right after the answer; then there is nothing left to stop.
    const std::int32_t stopped = StopReceiving();
    return stopped == relay_result::kWrongState ? relay_result::kSuccess : stopped;
}

std::int32_t TtcSMSCRelay::Disconnect() {
    connection_->Close();
    StopKeepAlive();
    StopReceiveThread();
    // Usually the receive thread has reported the end of an open link by now; when it was told
    // to end before it noticed, the report is made here, once, as for an interrupted call.
    bool report = false;
    {
        std::lock_guard lock(stateMutex_);
        report = state_ != RelayState::rsIdle;
        state_ = RelayState::rsIdle;
    }
    if (report) {
        PostDisconnected(0);
    }
    return relay_result::kSuccess;
}

std::int32_t TtcSMSCRelay::SendAndWait(TReplyEvent& event,
                                       const std::function<void(TtcSMSCMessage&)>& build,
                                       const std::function<bool()>& mayProceed,
                                       std::string* messageId) {
    {
        std::lock_guard lock(sendMutex_);
        if (!outgoing_) {
            outgoing_ = NewMessage();
            outgoing_->SetConnection(connection_);
        }
        build(*outgoing_);
        if (mayProceed && !mayProceed()) {
            return relay_result::kWrongState;
        }
        event.Reset();
        SendPdu(*outgoing_);
    }
    return event.WaitReply(ResponseTimeOut(), messageId);
}

std::int32_t TtcSMSCRelay::SendEnquireLink() {
    return SendAndWait(keepAliveReplyEvent_,
                       [](TtcSMSCMessage& outgoing) { outgoing.BuildEnquireLink(); });
}

std::int32_t TtcSMSCRelay::SendUnbind() {
    return SendAndWait(responseEvent_, [](TtcSMSCMessage& outgoing) { outgoing.BuildUnbind(); });
}

void TtcSMSCRelay::SendPdu(const TtcSMSCMessage& message) {
    const auto& bytes = message.Bytes();
    if (const auto& connection = message.Connection()) {
        connection->SendBuf(bytes.data(), static_cast<int>(bytes.size()), 0);
    }
    activityEvent_.Set();
}

void TtcSMSCRelay::Dispatch(TtcSMSCMessage& incoming) {
    switch (incoming.Classify()) {
        case TPduKind::pkIncomingRequest: {
            std::shared_ptr<const TtcSMSCMessage> copy = incoming.Copy();
            ownerQueue_.Post([this, copy] { HandleRequest(*copy); });
            break;
        }
        case TPduKind::pkSubmitReply:
            incoming.ParseSubmitResp();
            responseEvent_.SetReply(incoming.Status(), incoming.ReplyMessageId());
            break;
        case TPduKind::pkBindReply:
            incoming.ParseBindResp();
            responseEvent_.SetReply(incoming.Status());
            break;
        case TPduKind::pkUnbindReply:
            incoming.ParseUnbindResp();
            responseEvent_.SetReply(incoming.Status());
            break;
        case TPduKind::pkKeepAliveReply:
            incoming.ParseEnquireLinkResp();
            keepAliveReplyEvent_.SetReply(incoming.Status());
            break;
        case TPduKind::pkNegativeAcknowledgement:
            incoming.SetStatus(relay_result::kNegativeAcknowledgement);
            responseEvent_.SetReply(incoming.Status());
            keepAliveReplyEvent_.SetReply(incoming.Status());
            break;
        case TPduKind::pkIgnored:
            break;
    }
}

void TtcSMSCRelay::HandleRequest(const TtcSMSCMessage& request) {
    if (!request.IsKeepAliveProbe() && !HandleDeliver(request)) {
        return;
    }
    // The answer goes back on the connection the request came from and waits for nothing.
    const std::unique_ptr<TtcSMSCMessage> answer = NewMessage();
    answer->BuildResponse(request);
    std::lock_guard lock(sendMutex_);
    SendPdu(*answer);
}

bool TtcSMSCRelay::HandleDeliver(const TtcSMSCMessage&) {
    return false;
}

void TtcSMSCRelay::ConnectionLost(int reason) {
    connection_->Close();
    TerminateThreads();
    activityEvent_.Set();
    keepAliveReplyEvent_.Release();
    responseEvent_.Release();
    ReportDisconnect(reason);
}

void TtcSMSCRelay::KeepAliveExpired() {
    {
        std::lock_guard lock(threadsMutex_);
        if (receiveThread_) {
            receiveThread_->Terminate();
        }
    }
    ReportDisconnect(relay_result::kNoReply);
}

void TtcSMSCRelay::ReportDisconnect(int reason) {
    {
        std::lock_guard lock(stateMutex_);
        if (state_ != RelayState::rsOpened && state_ != RelayState::rsBound) {
            return;
        }
        state_ = RelayState::rsIdle;
    }
    PostDisconnected(reason == EINTR ? 0 : reason);
}

void TtcSMSCRelay::PostDisconnected(int reason) {
    ownerQueue_.Post([this, reason] {
        if (OnDisconnected) {
            OnDisconnected(*this, reason);
        }
    });
}

std::int32_t TtcSMSCRelay::Listen(int port) {
    if (listener_) {
        return relay_result::kWrongState;
    }
    auto listener = std::make_unique<TtcTcpServer>();
    listener->SetLocalHost("");
    listener->SetLocalPort(std::to_string(port));
    if (!listener->Open()) {
        const int error = LastSocketError();
        return error != 0 ? error : EIO;
    }
    listener_ = std::move(listener);
    serverThread_ = std::make_unique<TServerThread>(*this, *listener_);
    serverThread_->Start();
    return relay_result::kSuccess;
}

std::int32_t TtcSMSCRelay::StopListening() {
    if (serverThread_) {
        serverThread_->Terminate();
    }
    if (listener_) {
        listener_->Close();
    }
    serverThread_.reset();
    listener_.reset();
    return relay_result::kSuccess;
}

void TtcSMSCRelay::StartAcceptedConnection(std::shared_ptr<TtcTcpClient> client) {
    auto thread = std::make_unique<TReceiveThread>(*this, std::move(client), true);
    std::lock_guard lock(acceptedMutex_);
    thread->Start();
    acceptedThreads_.push_back(std::move(thread));
}

void TtcSMSCRelay::AcceptedConnectionEnded(TReceiveThread& thread) {
    thread.Connection()->Close();
    {
        std::lock_guard lock(acceptedMutex_);
        const auto found =
            std::find_if(acceptedThreads_.begin(), acceptedThreads_.end(),
                         [&](const auto& candidate) { return candidate.get() == &thread; });
        if (found == acceptedThreads_.end()) {
            return;
        }
        finishedThreads_.push_back(std::move(*found));
        acceptedThreads_.erase(found);
    }
    // A thread cannot wait for itself: the owner thread joins and frees it.
    ownerQueue_.Post([this] { ReleaseFinishedThreads(); });
}

void TtcSMSCRelay::ReleaseFinishedThreads() {
    std::vector<std::unique_ptr<TReceiveThread>> finished;
    {
        std::lock_guard lock(acceptedMutex_);
        finished.swap(finishedThreads_);
    }
    finished.clear();
}

void TtcSMSCRelay::StopAcceptedConnections() {
    std::vector<std::unique_ptr<TReceiveThread>> threads;
    {
        std::lock_guard lock(acceptedMutex_);
        threads.swap(acceptedThreads_);
    }
    for (auto thread = threads.rbegin(); thread != threads.rend(); ++thread) {
        (*thread)->Terminate();
        (*thread)->Connection()->Close();
        (*thread)->WaitFor();
    }
    ReleaseFinishedThreads();
}

}  // namespace trevalon
