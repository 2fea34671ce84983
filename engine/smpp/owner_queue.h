#pragma once

// The thread a session hands its received work to, so receiving never waits for handlers.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace trevalon {

// The context a session hands work to from its receiving threads: one thread of its own that
// runs the posted items in order, so handlers never run on a receiving thread and answers to
// the peer go out even while the session's caller waits for a reply.
class TOwnerQueue {
  public:
    using Item = std::function<void()>;

    TOwnerQueue();
    ~TOwnerQueue();
    TOwnerQueue(const TOwnerQueue&) = delete;
    TOwnerQueue& operator=(const TOwnerQueue&) = delete;

    // Items posted after Stop are dropped.
    void Post(Item item);
    // Runs what is queued, then ends the thread. Must not be called from an item.
    void Stop();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Item> items_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace trevalon
