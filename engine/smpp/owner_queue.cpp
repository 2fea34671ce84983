#include "engine/smpp/owner_queue.h"

namespace trevalon {

TOwnerQueue::TOwnerQueue() : thread_([this] { Run(); }) {}

TOwnerQueue::~TOwnerQueue() {
    Stop();
}

void TOwnerQueue::Post(Item item) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        items_.push_back(std::move(item));
    }
    posted_.notify_one();
}

void TOwnerQueue::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    posted_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TOwnerQueue::Run() {
    for (;;) {
        Item item;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return stopping_ || !items_.empty(); });
            if (items_.empty()) {
                return;
            }
            item = std::move(items_.front());
            items_.pop_front();
        }
        item();
    }
}

}  // namespace trevalon
