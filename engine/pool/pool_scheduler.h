#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <latch>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/pool/pool_control_channel.h"
#include "engine/pool/work_item.h"

namespace trevalon {

class PoolDelivery;
class PoolRunEnd;
class PoolWorkerSet;
struct PoolCounters;

// The pool's scheduler thread: keeps the waiting and started lists, admits, starts, expires,
// finishes and cancels items as the messages on the control channel say.
class TOrlTPThread {
  public:
    static constexpr std::string_view kThreadName = "ThreadPoolManagerThread";
    static constexpr int kDefaultMaxWaitOnTerminate = 30;

    // Returns once the thread runs; raises std::system_error when it cannot be started.
    TOrlTPThread(PoolControlChannel& control, PoolDelivery& delivery, PoolWorkerSet& workers,
                 PoolRunEnd& runEnd, PoolCounters& counters);
    // Joins; the thread ends after a Stop message or an error of its own.
    ~TOrlTPThread();
    TOrlTPThread(const TOrlTPThread&) = delete;
    TOrlTPThread& operator=(const TOrlTPThread&) = delete;

    void Join();
    // After Join: the items the thread still holds, which will never start.
    std::vector<TOrlTPWorkItem*> TakeHeldItems();

  private:
    using SteadyClock = std::chrono::steady_clock;

    void Main();
    void Handle(const ControlMessage& message);
    void Admit(TOrlTPWorkItem* item);
    void Schedule();
    void StartHead();
    void ItemDone(TOrlTPWorkItem* item);
    void CancelAll();
    void BeginStopping();
    void FinishUnrun(TOrlTPWorkItem* item, WorkItemStatus status, std::string message);
    void Finish(TOrlTPWorkItem* item);
    void EndWithError(std::string text);
    bool HasRoom() const;
    std::optional<SteadyClock::time_point> NextWake() const;

    PoolControlChannel& control_;
    PoolDelivery& delivery_;
    PoolWorkerSet& workers_;
    PoolRunEnd& runEnd_;
    PoolCounters& counters_;

    // The scheduler thread's own; the owner reads them only after Join.
    std::deque<ControlMessage> inbox_;
    std::deque<TOrlTPWorkItem*> waiting_;
    std::unordered_set<TOrlTPWorkItem*> started_;
    int maxPooled_ = 0;
    int maxQueueLength_ = 0;
    int maxQueuedTime_ = 0;
    int maxWaitOnTerminate_ = kDefaultMaxWaitOnTerminate;
    bool stopping_ = false;
    SteadyClock::time_point stopDeadline_{};
    bool ended_ = false;

    std::latch running_{1};
    std::thread thread_;
};

}  // namespace trevalon
