#pragma once

// The unit of work the pool runs: its ID, status and run, and the completion an item may
// hand on to end its run later, from another thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/clock.h"

namespace trevalon {

// The outcome of a work item as the pool sees it.
enum class WorkItemStatus : std::uint8_t {
    Completed = 0,
    PostFailed = 1,
    PostTimedOut = 2,
    ControlQueueFull = 3,
    ExecuteRaised = 4,
    StartFailed = 5,
    Cancelled = 6,
    Rejected = 7,
};

// "Completed.", "Server is busy.", ...; values outside the enumeration read as an unknown error.
std::string_view WorkItemStatusText(WorkItemStatus status);

class TOrlTPWorkItem;

// How a run whose end its item deferred is ended: by the pool that runs the item.
class WorkItemRunEnd {
  public:
    virtual void FreeDeferredPlace() noexcept = 0;
    virtual void EndDeferredRun(TOrlTPWorkItem* item, bool placeFreed) noexcept = 0;

  protected:
    ~WorkItemRunEnd() = default;
};

// The end of one deferred run. Complete (or destruction) hands the item back to its pool as
// finished; from then on the item may be destroyed at any moment.
class WorkItemCompletion {
  public:
    WorkItemCompletion() = default;
    WorkItemCompletion(WorkItemCompletion&& other) noexcept;
    WorkItemCompletion& operator=(WorkItemCompletion&& other) noexcept;
    ~WorkItemCompletion();

    // False for an item that was not run by a pool: its caller waits for Execute to return.
    explicit operator bool() const { return item_ != nullptr; }
    // The item gives its place among the pool's running items to the next waiting item, as a
    // job does whose work now only waits in a bounded store of its own. It still counts as
    // executing until Complete. Only the first call counts.
    void FreePlace() noexcept;
    void Complete() noexcept;

  private:
    friend class TOrlTPWorkItem;
    WorkItemCompletion(TOrlTPWorkItem* item, WorkItemRunEnd* end) : item_(item), end_(end) {}

    TOrlTPWorkItem* item_ = nullptr;
    WorkItemRunEnd* end_ = nullptr;
    bool placeFreed_ = false;
};

// Base of every background job. A job keeps its inputs and results in its own fields and
// overrides Execute only; the pool owns it from QueueWorkItem until its completion was handled.
class TOrlTPWorkItem {
  public:
    virtual ~TOrlTPWorkItem();
    TOrlTPWorkItem(const TOrlTPWorkItem&) = delete;
    TOrlTPWorkItem& operator=(const TOrlTPWorkItem&) = delete;

    // 1 for the first item a pool accepts, then one more per item; 0 before queueing.
    std::int32_t ID() const { return id_; }
    TimePoint QueuedAt() const { return queuedAt_; }
    WorkItemStatus Status() const { return status_; }
    // Empty after a normal run, otherwise why the item ended as it did.
    const std::string& StatusMessage() const { return statusMessage_; }

  protected:
    TOrlTPWorkItem() = default;

    // The job itself, on a worker thread. An error it raises ends the item with ExecuteRaised.
    virtual void Execute();

    // Inside Execute: the item stays running after Execute returns, until the completion is
    // completed, so that a job waiting on a shared resource does not hold a worker thread.
    // Execute must not raise after this. Empty when the item is not run by a pool.
    WorkItemCompletion DeferCompletion();

  private:
    friend class TOrlThreadPoolManager;
    friend class TOrlTPThread;
    friend class PoolRunEnd;

    // Returns true when Execute deferred the end of the run; the item must not be touched then.
    bool RunExecute(WorkItemRunEnd* end);
    void Finish(WorkItemStatus status, std::string message);

    std::int32_t id_ = 0;
    TimePoint queuedAt_{};
    std::chrono::steady_clock::time_point waitingSince_{};
    WorkItemStatus status_ = WorkItemStatus::Completed;
    std::string statusMessage_;
    // Set by a cancel while the item is with a worker; read there before Execute begins.
    std::atomic<bool> cancelled_{false};
    // Set only while Execute runs under a pool.
    WorkItemRunEnd* runEnd_ = nullptr;
    bool* deferred_ = nullptr;
};

}  // namespace trevalon
