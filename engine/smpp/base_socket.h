#pragma once

// The socket layer the SMPP session is written on: blocking or event-driven sockets with
// the events and errors a session hears of.

#include <atomic>
#include <cstdint>
#include <functional>
#include <shared_mutex>

namespace trevalon {

class TBaseSocket;

enum class TSocketBlockMode { bmBlocking, bmNonBlocking };

using TSocketNotifyEvent = std::function<void(TBaseSocket& sender)>;
using TSocketDataEvent = std::function<void(TBaseSocket& sender, const void* buf, int dataLen)>;
using TSocketErrorEvent = std::function<void(TBaseSocket& sender, int socketError)>;

// The error of the last socket call this thread made through this layer (an errno value; 0 after
// a success, a time-out or an orderly close by the peer; EINTR after a cancelled wait).
int LastSocketError();

// An IPv4 stream socket handle with byte totals and notification events. Every socket call
// passes its result through CheckResult, so a failure shows as -1 and as OnError, never as an
// exception.
//
// One socket may be used from several threads at once: a receiving thread, senders, and a thread
// that closes it or cancels the receiver's wait. Close therefore never pulls the handle away
// from a call in progress: it first cancels the waits, then closes once no call uses the handle.
class TBaseSocket {
  public:
    TBaseSocket();
    virtual ~TBaseSocket();
    TBaseSocket(const TBaseSocket&) = delete;
    TBaseSocket& operator=(const TBaseSocket&) = delete;

    bool Active() const { return active_.load(); }
    void SetActive(bool active);
    TSocketBlockMode BlockMode() const { return blockMode_; }
    virtual void SetBlockMode(TSocketBlockMode mode);
    int Handle() const { return handle_.load(); }
    std::int32_t BytesReceived() const { return bytesReceived_.load(); }
    std::int32_t BytesSent() const { return bytesSent_.load(); }

    virtual bool Open();
    virtual void Close();
    virtual int CheckResult(int result);

    // One receive call; in blocking mode the wait for data ends early on CancelBlockingCall.
    int ReceiveBuf(void* buffer, int size, int flags);
    // One send call; a short send is not completed.
    int SendBuf(const void* buffer, int length, int flags);
    // Waits for the conditions whose flags are given (null: not wanted) and sets each flag from
    // the outcome. A negative time-out waits without limit. False on time-out, failure or cancel.
    bool Select(bool* readReady, bool* writeReady, bool* errorReady, int timeoutMs);

    // Makes the wait in progress, or the next one, return at once, until the socket is opened
    // anew or ClearCancel is called.
    void CancelBlockingCall();
    void ClearCancel();

    TSocketNotifyEvent OnCreateHandle;
    TSocketNotifyEvent OnDestroyHandle;
    TSocketDataEvent OnReceive;
    TSocketDataEvent OnSend;
    TSocketErrorEvent OnError;

  protected:
    virtual void NotifyReceive(const void* buffer, int dataLen);
    virtual void NotifySend(const void* buffer, int dataLen);

    // Takes over a handle made elsewhere (an accepted connection); the socket counts as open.
    void AdoptHandle(int handle, TSocketBlockMode mode);
    // Runs a call on the handle while Close is kept from closing it; -1 when there is none.
    template <typename Call>
    int WithHandle(Call call) {
        std::shared_lock lock(handleLock_);
        const int handle = handle_.load();
        if (handle < 0) {
            return NoHandle();
        }
        return call(handle);
    }
    // Waits until the handle is ready for `events` or the wait is cancelled; the poll result.
    int WaitOnHandle(int handle, short events, int timeoutMs, short& readyEvents);

  private:
    int NoHandle();
    void CloseHandle();

    std::atomic<bool> active_{false};
    TSocketBlockMode blockMode_ = TSocketBlockMode::bmBlocking;
    std::atomic<int> handle_{-1};
    std::shared_mutex handleLock_;
    int cancelEvent_ = -1;
    std::atomic<std::int32_t> bytesReceived_{0};
    std::atomic<std::int32_t> bytesSent_{0};
};

}  // namespace trevalon
