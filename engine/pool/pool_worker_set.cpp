#include "engine/pool/pool_worker_set.h"

#include <algorithm>
#include <system_error>

#include <pthread.h>

namespace trevalon {
namespace {

std::size_t RunnerTarget(std::size_t configured) {
    if (configured > 0) {
        return configured;
    }
    return std::max<std::size_t>(2, std::thread::hardware_concurrency());
}

}  // namespace

PoolWorkerSet::PoolWorkerSet(PoolWorkerOptions options)
    : options_(std::move(options)), runnerTarget_(RunnerTarget(options_.runners)) {
    watcher_ = std::thread([this] { WatcherMain(); });
}

PoolWorkerSet::~PoolWorkerSet() {
    WorkerList all;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (Worker* worker : idle_) {
            worker->wake.notify_one();
        }
        all.splice(all.end(), workers_);
        all.splice(all.end(), retired_);
    }
    watcherWake_.notify_one();
    watcher_.join();
    for (Worker& worker : all) {
        worker.thread.join();
    }
}

void PoolWorkerSet::SetCeiling(std::size_t threads) {
    std::lock_guard lock(mutex_);
    ceiling_ = threads == 0 ? kDefaultCeiling : threads;
}

void PoolWorkerSet::Hand(Task task) {
    WorkerList retired;
    {
        std::unique_lock lock(mutex_);
        tasks_.push_back(std::move(task));
        if (runners_ < runnerTarget_) {
            try {
                AddRunner();
            } catch (const std::system_error&) {
                // Busy threads will come to the task; with none at all it cannot run.
                if (workers_.empty()) {
                    tasks_.pop_back();
                    throw;
                }
            } catch (...) {
                tasks_.pop_back();
                throw;
            }
        }
        if (watcherParked_) {
            watcherWake_.notify_one();
        }
        retired.splice(retired.end(), retired_);
    }
    for (Worker& worker : retired) {
        worker.thread.join();
    }
}

std::size_t PoolWorkerSet::ThreadCount() const {
    std::lock_guard lock(mutex_);
    return workers_.size();
}

bool PoolWorkerSet::AddRunner() {
    if (!idle_.empty()) {
        Worker* worker = idle_.back();
        idle_.pop_back();
        worker->woken = true;
        ++runners_;
        worker->wake.notify_one();
        return true;
    }
    if (workers_.size() >= ceiling_) {
        return false;
    }
    const auto self = workers_.emplace(workers_.end());
    try {
        self->thread = options_.startThread([this, self] { WorkerMain(self); });
    } catch (...) {
        workers_.erase(self);
        throw;
    }
    ++runners_;
    return true;
}

void PoolWorkerSet::WorkerMain(WorkerList::iterator self) {
    pthread_setname_np(pthread_self(), "PoolWorker");
    Worker& me = *self;
    std::unique_lock lock(mutex_);
    for (;;) {
        // A runner beyond the target, left over from a blocked task that came back, steps down.
        if (!tasks_.empty() && (stopping_ || runners_ <= runnerTarget_)) {
            Task task = std::move(tasks_.front());
            tasks_.pop_front();
            me.busy = true;
            me.busySince = SteadyClock::now();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            me.busy = false;
            if (me.blocked) {
                me.blocked = false;
                ++runners_;
            }
            continue;
        }
        --runners_;
        if (stopping_) {
            return;
        }
        me.woken = false;
        idle_.push_back(&me);
        me.wake.wait_for(lock, options_.idleRetirement, [&] { return me.woken || stopping_; });
        if (me.woken) {
            continue;
        }
        idle_.erase(std::find(idle_.begin(), idle_.end(), &me));
        ++runners_;
        if (!stopping_ && tasks_.empty()) {
            --runners_;
            // Whoever hands work next, or the destructor, joins this thread.
            retired_.splice(retired_.end(), workers_, self);
            return;
        }
    }
}

void PoolWorkerSet::WatcherMain() {
    pthread_setname_np(pthread_self(), "PoolWatcher");
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            watcherParked_ = true;
            watcherWake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            watcherParked_ = false;
            continue;
        }
        watcherWake_.wait_for(lock, options_.blockedAfter);
        const auto now = SteadyClock::now();
        for (Worker& worker : workers_) {
            if (worker.busy && !worker.blocked && now - worker.busySince >= options_.blockedAfter) {
                worker.blocked = true;
                --runners_;
            }
        }
        try {
            while (!stopping_ && !tasks_.empty() && runners_ < runnerTarget_ && AddRunner()) {
            }
        } catch (...) {
            // No thread to be had now; the next look tries again.
        }
    }
}

}  // namespace trevalon
