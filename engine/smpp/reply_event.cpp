#include "engine/smpp/reply_event.h"

#include <chrono>

namespace trevalon {

void TReplyEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
    replied_ = false;
}

void TReplyEvent::SetReply(std::int32_t status, std::string messageId) {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
        replied_ = true;
        status_ = status;
        messageId_ = std::move(messageId);
    }
    changed_.notify_all();
}

void TReplyEvent::Release() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

std::int32_t TReplyEvent::WaitReply(int timeoutMs, std::string* messageId) {
    std::unique_lock lock(mutex_);
    const bool set = changed_.wait_for(
        lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs), [this] { return set_; });
    if (!set || !replied_) {
        return -1;
    }
    if (messageId != nullptr) {
        *messageId = messageId_;
    }
    return status_;
}

}  // namespace trevalon
