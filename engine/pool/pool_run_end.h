#pragma once

// How the run of one item ends, on its worker thread or later where its completion is completed.

#include <condition_variable>
#include <mutex>

#include "engine/pool/work_item.h"

namespace trevalon {

class PoolControlChannel;
struct PoolCounters;

// The worker side of a run: runs the item unless it was cancelled, then takes it off the
// counters and tells the scheduler it is done. A run whose item deferred its end is ended the
// same way when the item's completion is completed, on whatever thread that happens; until then
// it may give up its place for the next waiting item.
class PoolRunEnd final : public WorkItemRunEnd {
  public:
    PoolRunEnd(PoolCounters& counters, PoolControlChannel& control);

    // Worker thread.
    void Run(TOrlTPWorkItem* item);
    void FreeDeferredPlace() noexcept override;
    void EndDeferredRun(TOrlTPWorkItem* item, bool placeFreed) noexcept override;

    // Once no worker runs any more: waits until every deferred run has ended.
    void AwaitDeferredRuns();

  private:
    void EndRun(TOrlTPWorkItem* item, bool holdsPlace) noexcept;

    PoolCounters& counters_;
    PoolControlChannel& control_;
    std::mutex mutex_;
    std::condition_variable ended_;
    // Deferred runs not yet ended; below zero for a moment when one ends before its worker has
    // counted it.
    int open_ = 0;
};

}  // namespace trevalon
