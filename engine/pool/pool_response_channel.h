#pragma once

// The messages from the pool's threads to its owner thread, and the channel they wait in.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace trevalon {

class TOrlTPWorkItem;

// One message to the owner thread: a finished item (owned by the message) or an error report.
struct ResponseMessage {
    enum class Kind : std::uint8_t {
        ItemDone,
        Error,
    };

    Kind kind = Kind::ItemDone;
    std::int32_t code = 0;
    TOrlTPWorkItem* item = nullptr;
    std::string text;
};

// Scheduler to owner, 10240 bytes of room. Senders never wait for the owner: the owner thread
// may itself be queueing work, and a scheduler waiting for it would deadlock both. What finds
// the channel full waits behind it in the senders' backlog, in order.
class PoolResponseChannel {
  public:
    static constexpr std::size_t kCapacityBytes = 10240;
    static constexpr std::size_t kCapacity = kCapacityBytes / sizeof(ResponseMessage);

    enum class PostResult {
        Posted,
        // Posted, and the owner has to be woken: it is not already on its way to the channel.
        PostedWakeOwner,
        // Closed: the sender keeps what the message carries.
        Closed,
    };

    PostResult Post(ResponseMessage message);

    // The owner. The oldest message; none left means the next Post wakes the owner again.
    std::optional<ResponseMessage> Take();

    // Posts fail from now on. Returns what was never taken, oldest first.
    std::vector<ResponseMessage> Close();

    std::size_t Size() const;

  private:
    mutable std::mutex mutex_;
    std::deque<ResponseMessage> channel_;
    std::deque<ResponseMessage> backlog_;
    bool ownerWoken_ = false;
    bool closed_ = false;
};

}  // namespace trevalon
