#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace trevalon {

struct PoolWorkerOptions {
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    // A worker that found nothing to do for this long ends.
    std::chrono::milliseconds idleRetirement{10000};
    // A task that has run this long counts as blocked, and another thread takes the work behind it.
    std::chrono::microseconds blockedAfter{1000};
    // Threads taking work at one time, blocked ones not counted; 0: one per core, at least 2.
    std::size_t runners = 0;
    // Starts one thread; raises std::system_error when the platform has none to give.
    ThreadStarter startThread = [](std::function<void()> body) {
        return std::thread(std::move(body));
    };
};

// The pool's own worker threads, up to a ceiling. A few of them, the runners, take the work;
// when a task blocks, a watcher lets another thread take its place, so blocked tasks get as many
// threads as they need while short ones are not spread over more threads than there are cores.
// Idle threads retire; all are joined at destruction, after the work handed to them has run.
class PoolWorkerSet {
  public:
    using Task = std::function<void()>;

    // With no limit set, at most this many threads run (what a platform thread pool allows).
    static constexpr std::size_t kDefaultCeiling = 512;

    explicit PoolWorkerSet(PoolWorkerOptions options = {});
    ~PoolWorkerSet();
    PoolWorkerSet(const PoolWorkerSet&) = delete;
    PoolWorkerSet& operator=(const PoolWorkerSet&) = delete;

    // Most threads at one time; 0 means kDefaultCeiling.
    void SetCeiling(std::size_t threads);

    // Runs `task` on a worker thread. Raises std::system_error, with nothing handed, when no
    // thread exists and none can be started. Tasks must not raise.
    void Hand(Task task);

    std::size_t ThreadCount() const;

  private:
    using SteadyClock = std::chrono::steady_clock;

    struct Worker {
        std::thread thread;
        std::condition_variable wake;
        bool woken = false;
        bool busy = false;
        bool blocked = false;
        SteadyClock::time_point busySince{};
    };
    using WorkerList = std::list<Worker>;

    void WorkerMain(WorkerList::iterator self);
    void WatcherMain();
    // With the lock held: wakes an idle thread, or starts one, as a further runner. False when
    // neither is possible; raises std::system_error when starting failed.
    bool AddRunner();

    const PoolWorkerOptions options_;
    const std::size_t runnerTarget_;

    mutable std::mutex mutex_;
    std::deque<Task> tasks_;
    WorkerList workers_;
    WorkerList retired_;
    // Sleeping workers, the most recently idle last.
    std::vector<Worker*> idle_;
    // Awake workers that are not blocked.
    std::size_t runners_ = 0;
    std::size_t ceiling_ = kDefaultCeiling;
    bool stopping_ = false;
    std::condition_variable watcherWake_;
    bool watcherParked_ = false;
    std::thread watcher_;
};

}  // namespace trevalon
