#include "engine/pool/pool_control_channel.h"

namespace trevalon {
namespace {

constexpr std::chrono::milliseconds kFullChannelRetry{1};

}  // namespace

bool PoolControlChannel::Post(const ControlMessage& message) {
    const bool itemDone = message.kind == ControlMessage::Kind::ItemDone ||
                          message.kind == ControlMessage::Kind::PlaceFreed;
    std::size_t& waiting = itemDone ? waitingItemDone_ : waitingOthers_;
    std::condition_variable& room = itemDone ? roomForItemDone_ : roomForOthers_;
    bool wakeReader = false;
    bool wakeOthers = false;
    {
        std::unique_lock lock(mutex_);
        const auto mayPost = [&] {
            return count_ < kCapacity && (itemDone || waitingItemDone_ == 0);
        };
        while (!closed_ && !mayPost()) {
            ++waiting;
            room.wait_for(lock, kFullChannelRetry);
            --waiting;
        }
        if (closed_) {
            return false;
        }
        ring_[(head_ + count_) % kCapacity] = message;
        ++count_;
        // One wake-up is enough for everything posted until the reader runs.
        // A napping reader is woken only when the channel fills: senders must not wait for room.
        wakeReader = readerWaiting_ || (readerNapping_ && count_ == kCapacity / 2);
        readerWaiting_ = false;
        wakeOthers = itemDone && waitingItemDone_ == 0 && waitingOthers_ > 0 && count_ < kCapacity;
    }
    if (wakeReader) {
        arrived_.notify_one();
    }
    if (wakeOthers) {
        roomForOthers_.notify_all();
    }
    return true;
}

void PoolControlChannel::Receive(std::deque<ControlMessage>& inbox, std::optional<Deadline> until,
                                 std::chrono::microseconds nap) {
    bool wakeItemDone = false;
    bool wakeOthers = false;
    {
        std::unique_lock lock(mutex_);
        if (count_ == 0 && nap > std::chrono::microseconds::zero()) {
            Deadline napEnd = std::chrono::steady_clock::now() + nap;
            if (until && *until < napEnd) {
                napEnd = *until;
            }
            readerNapping_ = true;
            arrived_.wait_until(lock, napEnd,
                                [this] { return count_ >= kCapacity / 2 || closed_; });
            readerNapping_ = false;
        }
        readerWaiting_ = true;
        if (until) {
            arrived_.wait_until(lock, *until, [this] { return count_ > 0; });
        } else {
            arrived_.wait(lock, [this] { return count_ > 0; });
        }
        readerWaiting_ = false;
        for (; count_ > 0; --count_) {
            inbox.push_back(ring_[head_]);
            head_ = (head_ + 1) % kCapacity;
        }
        wakeItemDone = waitingItemDone_ > 0;
        wakeOthers = !wakeItemDone && waitingOthers_ > 0;
    }
    if (wakeItemDone) {
        roomForItemDone_.notify_all();
    }
    if (wakeOthers) {
        roomForOthers_.notify_all();
    }
}

void PoolControlChannel::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    roomForItemDone_.notify_all();
    roomForOthers_.notify_all();
}

bool PoolControlChannel::Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::vector<ControlMessage> PoolControlChannel::TakeRemaining() {
    std::lock_guard lock(mutex_);
    std::vector<ControlMessage> remaining;
    remaining.reserve(count_);
    for (; count_ > 0; --count_) {
        remaining.push_back(ring_[head_]);
        head_ = (head_ + 1) % kCapacity;
    }
    return remaining;
}

std::size_t PoolControlChannel::WaitingSenders() const {
    std::lock_guard lock(mutex_);
    return waitingItemDone_ + waitingOthers_;
}

}  // namespace trevalon
