#include "engine/pool/pool_run_end.h"

#include "engine/pool/pool_control_channel.h"
#include "engine/pool/pool_counters.h"

namespace trevalon {

PoolRunEnd::PoolRunEnd(PoolCounters& counters, PoolControlChannel& control)
    : counters_(counters), control_(control) {}

void PoolRunEnd::Run(TOrlTPWorkItem* item) {
    if (!item->cancelled_.load(std::memory_order_acquire)) {
        ++counters_.executing;
        if (item->RunExecute(this)) {
            // The item is someone else's now; it stays executing until its completion.
            std::lock_guard lock(mutex_);
            ++open_;
            return;
        }
        --counters_.executing;
    }
    EndRun(item, true);
}

void PoolRunEnd::FreeDeferredPlace() noexcept {
    {
        std::lock_guard lock(counters_.pooledLock);
        --counters_.pooled;
    }
    // A failed post means the pool is being released: nothing waits for the place any more.
    control_.Post(ControlMessage{ControlMessage::Kind::PlaceFreed, 0, nullptr});
}

void PoolRunEnd::EndDeferredRun(TOrlTPWorkItem* item, bool placeFreed) noexcept {
    --counters_.executing;
    EndRun(item, !placeFreed);
    std::lock_guard lock(mutex_);
    if (--open_ == 0) {
        ended_.notify_all();
    }
}

void PoolRunEnd::AwaitDeferredRuns() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return open_ == 0; });
}

void PoolRunEnd::EndRun(TOrlTPWorkItem* item, bool holdsPlace) noexcept {
    if (holdsPlace) {
        std::lock_guard lock(counters_.pooledLock);
        --counters_.pooled;
    }
    if (!control_.Post(ControlMessage{ControlMessage::Kind::ItemDone, 0, item})) {
        // The pool is being released; nobody will receive the item any more.
        delete item;
    }
}

}  // namespace trevalon
