#include "engine/smpp/manual_reset_event.h"

#include <chrono>

namespace trevalon {

void ManualResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool ManualResetEvent::WaitFor(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        changed_.wait(lock, [this] { return set_; });
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
}

}  // namespace trevalon
