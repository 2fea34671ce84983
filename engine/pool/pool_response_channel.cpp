#include "engine/pool/pool_response_channel.h"

#include <utility>

namespace trevalon {

PoolResponseChannel::PostResult PoolResponseChannel::Post(ResponseMessage message) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return PostResult::Closed;
    }
    if (backlog_.empty() && channel_.size() < kCapacity) {
        channel_.push_back(std::move(message));
    } else {
        backlog_.push_back(std::move(message));
    }
    if (ownerWoken_) {
        return PostResult::Posted;
    }
    ownerWoken_ = true;
    return PostResult::PostedWakeOwner;
}

std::optional<ResponseMessage> PoolResponseChannel::Take() {
    std::lock_guard lock(mutex_);
    if (channel_.empty()) {
        ownerWoken_ = false;
        return std::nullopt;
    }
    std::optional<ResponseMessage> oldest(std::move(channel_.front()));
    channel_.pop_front();
    if (!backlog_.empty()) {
        channel_.push_back(std::move(backlog_.front()));
        backlog_.pop_front();
    }
    return oldest;
}

std::vector<ResponseMessage> PoolResponseChannel::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    std::vector<ResponseMessage> remaining;
    remaining.reserve(channel_.size() + backlog_.size());
    for (auto* part : {&channel_, &backlog_}) {
        for (auto& message : *part) {
            remaining.push_back(std::move(message));
        }
        part->clear();
    }
    return remaining;
}

std::size_t PoolResponseChannel::Size() const {
    std::lock_guard lock(mutex_);
    return channel_.size();
}

}  // namespace trevalon
