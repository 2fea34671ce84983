#pragma once

// The messages that reach the pool's scheduler thread, and the channel they wait in.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace trevalon {

class TOrlTPWorkItem;

// One message to the scheduler. Messages that carry an item own it while they are on the way.
struct ControlMessage {
    enum class Kind : std::uint8_t {
        AddItem,
        ItemDone,
        // A running item gave up its place: the next waiting item may start.
        PlaceFreed,
        SetMaxPooled,
        SetMaxQueuedTime,
        SetMaxQueueLength,
        SetMaxWaitOnTerminate,
        CancelAll,
        Stop,
    };

    Kind kind = Kind::Stop;
    std::int32_t value = 0;
    TOrlTPWorkItem* item = nullptr;
};
static_assert(sizeof(ControlMessage) == 16);

// Owner, producers and workers to the scheduler: many writers, one reader, 10240 bytes of room.
class PoolControlChannel {
  public:
    static constexpr std::size_t kCapacityBytes = 10240;
    static constexpr std::size_t kCapacity = kCapacityBytes / sizeof(ControlMessage);

    using Deadline = std::chrono::steady_clock::time_point;

    // Any thread. While the channel is full the sender tries again every millisecond, or sooner
    // when the reader makes room. False when the channel is closed: nothing was posted.
    // Item-done and place-freed messages get room first: they free places for waiting items, and
    // workers kept behind a flood of new items would stall the whole pool.
    bool Post(const ControlMessage& message);

    // The reader. Waits until a message arrives or `until` passes, then moves every message
    // there is to the end of `inbox`, oldest first. With a `nap`, a reader finding nothing first
    // waits that long without asking senders to wake it: while work streams in, one wake-up
    // then takes a whole nap's worth of messages instead of one each.
    void Receive(std::deque<ControlMessage>& inbox, std::optional<Deadline> until,
                 std::chrono::microseconds nap = {});

    // Posts fail from now on, waiting senders included.
    void Close();
    bool Closed() const;
    // After Close: what was posted and never received.
    std::vector<ControlMessage> TakeRemaining();

    std::size_t WaitingSenders() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::condition_variable roomForItemDone_;
    std::condition_variable roomForOthers_;
    std::array<ControlMessage, kCapacity> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::size_t waitingItemDone_ = 0;
    std::size_t waitingOthers_ = 0;
    bool readerWaiting_ = false;
    bool readerNapping_ = false;
    bool closed_ = false;
};

}  // namespace trevalon
