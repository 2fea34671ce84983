#include "engine/smpp/base_socket.h"

#include <cerrno>
#include <cstdint>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevalon {

namespace {

thread_local int lastSocketError = 0;

}  // namespace

int LastSocketError() {
    return lastSocketError;
}

TBaseSocket::TBaseSocket() : cancelEvent_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TBaseSocket::~TBaseSocket() {
    CloseHandle();
    if (cancelEvent_ >= 0) {
        ::close(cancelEvent_);
    }
}

void TBaseSocket::SetActive(bool active) {
    if (active) {
        Open();
    } else {
        Close();
    }
}

void TBaseSocket::SetBlockMode(TSocketBlockMode mode) {
    if (mode == blockMode_) {
        return;
    }
    Close();
    blockMode_ = mode;
}

bool TBaseSocket::Open() {
    if (Active()) {
        return true;
    }
    ClearCancel();
    const int handle = CheckResult(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (handle < 0) {
        return false;
    }
    if (blockMode_ == TSocketBlockMode::bmNonBlocking) {
        CheckResult(::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) | O_NONBLOCK));
    }
    AdoptHandle(handle, blockMode_);
    return true;
}

void TBaseSocket::AdoptHandle(int handle, TSocketBlockMode mode) {
    {
        std::unique_lock lock(handleLock_);
        handle_.store(handle);
    }
    blockMode_ = mode;
    bytesReceived_.store(0);
    bytesSent_.store(0);
    active_.store(true);
    if (OnCreateHandle) {
        OnCreateHandle(*this);
    }
}

void TBaseSocket::Close() {
    // Closed from several threads at once, the socket still reports its end only once.
    if (!active_.exchange(false)) {
        return;
    }
    CloseHandle();
    if (OnDestroyHandle) {
        OnDestroyHandle(*this);
    }
}

void TBaseSocket::CloseHandle() {
    // Calls waiting on the handle return first; the handle is closed once none uses it.
    CancelBlockingCall();
    std::unique_lock lock(handleLock_);
    const int handle = handle_.exchange(-1);
    if (handle >= 0) {
        ::close(handle);
    }
}

int TBaseSocket::CheckResult(int result) {
    if (result != -1) {
        lastSocketError = 0;
        return result;
    }
    lastSocketError = errno;
    if (OnError) {
        OnError(*this, lastSocketError);
    }
    return result;
}

int TBaseSocket::NoHandle() {
    errno = EBADF;
    return -1;
}

int TBaseSocket::WaitOnHandle(int handle, short events, int timeoutMs, short& readyEvents) {
    pollfd waits[2] = {{handle, events, 0}, {cancelEvent_, POLLIN, 0}};
    for (;;) {
        const int result = ::poll(waits, 2, timeoutMs < 0 ? -1 : timeoutMs);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result > 0 && waits[1].revents != 0) {
            errno = EINTR;
            return -1;
        }
        readyEvents = waits[0].revents;
        return result;
    }
}

int TBaseSocket::ReceiveBuf(void* buffer, int size, int flags) {
    const int result = WithHandle([&](int handle) {
        if (blockMode_ == TSocketBlockMode::bmBlocking && (flags & MSG_DONTWAIT) == 0) {
            short ready = 0;
            if (WaitOnHandle(handle, POLLIN, -1, ready) < 0) {
                return -1;
            }
        }
        return static_cast<int>(::recv(handle, buffer, static_cast<std::size_t>(size), flags));
    });
    if (CheckResult(result) < 0) {
        return -1;
    }
    NotifyReceive(buffer, result);
    bytesReceived_.fetch_add(result);
    return result;
}

int TBaseSocket::SendBuf(const void* buffer, int length, int flags) {
    NotifySend(buffer, length);
    const int result = WithHandle([&](int handle) {
        return static_cast<int>(
            ::send(handle, buffer, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL));
    });
    if (CheckResult(result) < 0) {
        return -1;
    }
    bytesSent_.fetch_add(result);
    return result;
}

bool TBaseSocket::Select(bool* readReady, bool* writeReady, bool* errorReady, int timeoutMs) {
    for (bool* flag : {readReady, writeReady, errorReady}) {
        if (flag != nullptr) {
            *flag = false;
        }
    }
    short wanted = 0;
    wanted |= readReady != nullptr ? POLLIN : 0;
    wanted |= writeReady != nullptr ? POLLOUT : 0;
    wanted |= errorReady != nullptr ? POLLPRI : 0;
    short ready = 0;
    const int result =
        WithHandle([&](int handle) { return WaitOnHandle(handle, wanted, timeoutMs, ready); });
    if (CheckResult(result) <= 0) {
        return false;
    }
    // As with select(): a failed or closed connection counts as readable.
    bool any = false;
    if (readReady != nullptr) {
        *readReady = (ready & (POLLIN | POLLHUP | POLLERR)) != 0;
        any = any || *readReady;
    }
    if (writeReady != nullptr) {
        *writeReady = (ready & (POLLOUT | POLLERR)) != 0;
        any = any || *writeReady;
    }
    if (errorReady != nullptr) {
        *errorReady = (ready & POLLPRI) != 0;
        any = any || *errorReady;
    }
    return any;
}

void TBaseSocket::CancelBlockingCall() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(cancelEvent_, &one, sizeof one);
}

void TBaseSocket::ClearCancel() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(cancelEvent_, &count, sizeof count);
}

void TBaseSocket::NotifyReceive(const void* buffer, int dataLen) {
    if (OnReceive) {
        OnReceive(*this, buffer, dataLen);
    }
}

void TBaseSocket::NotifySend(const void* buffer, int dataLen) {
    if (OnSend) {
        OnSend(*this, buffer, dataLen);
    }
}

}  // namespace trevalon
