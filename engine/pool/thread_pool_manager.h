#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <memory>

#include "engine/pool/pool_control_channel.h"
#include "engine/pool/pool_counters.h"
#include "engine/pool/pool_delivery.h"
#include "engine/pool/pool_run_end.h"
#include "engine/pool/pool_worker_set.h"
#include "engine/pool/work_item.h"
#include "foundation/owner_loop.h"

namespace trevalon {

class TOrlTPThread;

// Runs work items on worker threads and hands each finished item back to the owner thread,
// the thread of `owner`, which creates, configures and destroys the pool.
class TOrlThreadPoolManager {
  public:
    // Starts the scheduler thread; raises std::runtime_error when it cannot be started.
    explicit TOrlThreadPoolManager(OwnerLoop& owner, PoolWorkerOptions workers = {});
    // Cancels everything, waits for Execute calls still running, and for runs whose items deferred
    // their end, and ends the pool's threads.
    // Finished items not yet delivered are destroyed without their handler.
    ~TOrlThreadPoolManager();
    TOrlThreadPoolManager(const TOrlThreadPoolManager&) = delete;
    TOrlThreadPoolManager& operator=(const TOrlThreadPoolManager&) = delete;

    // Owner thread. Each raises std::runtime_error when the scheduler no longer runs.
    // Most items started and not finished; 0 or less: no limit.
    void SetMaxPooled(int value);
    // Longest wait, in seconds, before an item starts; 0 or less: no limit.
    void SetMaxQueuedTime(int value);
    // Most items waiting to start; 0 or less: no limit.
    void SetMaxQueueLength(int value);
    // Seconds the scheduler gives its waiting items to start when the pool ends.
    void SetMaxWaitOnTerminate(int value);
    int MaxPooled() const { return maxPooled_; }
    int MaxQueuedTime() const { return maxQueuedTime_; }
    int MaxQueueLength() const { return maxQueueLength_; }
    int MaxWaitOnTerminate() const { return maxWaitOnTerminate_; }

    // Owner thread. Each finished item is handed to OnWorkItemDone and destroyed right after it;
    // scheduler errors go to OnPoolError. Both run on the owner thread, in finishing order.
    void SetOnWorkItemDone(WorkItemDoneHandler handler);
    void SetOnPoolError(PoolErrorHandler handler);

    // Any thread. Takes the item and returns the ID given to it; the item may be finished and
    // destroyed before this returns. Raises std::runtime_error, leaving `item` with the caller,
    // when the scheduler no longer runs.
    template <std::derived_from<TOrlTPWorkItem> Item>
    std::int32_t QueueWorkItem(std::unique_ptr<Item>&& item) {
        // Taken only once accepted: a converted temporary would free the item on failure.
        const std::int32_t id = Accept(item.get());
        item.release();
        return id;
    }

    // Any thread. Waiting items end as cancelled without running; running ones are not
    // interrupted but end as cancelled too.
    void CancelAllWorkItems();

    int ExecutingCount() const { return counters_.executing.load(); }
    int PooledCount() const { return counters_.pooled.load(); }
    int QueuedCount() const { return counters_.queued.load(); }

  private:
    std::int32_t Accept(TOrlTPWorkItem* item);
    void SendLimit(ControlMessage::Kind kind, int value, const char* failure);

    PoolCounters counters_;
    PoolControlChannel control_;
    std::shared_ptr<PoolDelivery> delivery_;
    PoolRunEnd runEnd_{counters_, control_};
    std::unique_ptr<PoolWorkerSet> workers_;
    std::unique_ptr<TOrlTPThread> scheduler_;
    std::atomic<std::int32_t> lastId_{0};
    std::atomic<int> maxPooled_{0};
    std::atomic<int> maxQueuedTime_{0};
    std::atomic<int> maxQueueLength_{0};
    std::atomic<int> maxWaitOnTerminate_{0};
};

}  // namespace trevalon
