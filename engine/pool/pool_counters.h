#pragma once

// The pool's counts of queued, admitted and executing items, shared by its threads.

#include <atomic>
#include <mutex>

namespace trevalon {

// Read by any thread of the pool and by its owner.
struct PoolCounters {
    // Items inside Execute.
    std::atomic<int> executing{0};
    // Items handed to a worker and not yet finished; changes only under pooledLock.
    std::atomic<int> pooled{0};
    // Items waiting to start.
    std::atomic<int> queued{0};
    std::mutex pooledLock;
};

}  // namespace trevalon
