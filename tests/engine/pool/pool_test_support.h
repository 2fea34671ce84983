#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/pool/thread_pool_manager.h"
#include "engine/pool/work_item.h"
#include "foundation/event_loop.h"

namespace trevalon::testing {

// Blocks whoever waits until it is opened, once and for all.
class Gate {
  public:
    // Notifies under the lock, so that a waiter may destroy the gate as soon as it passes.
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Counts the items alive, so tests see that the pool destroys every item exactly once.
inline std::atomic<int> gLiveItems{0};

class TestItem : public TOrlTPWorkItem {
  public:
    explicit TestItem(std::function<void()> work = {}) : work_(std::move(work)) { ++gLiveItems; }
    ~TestItem() override { --gLiveItems; }

    bool Executed() const { return executed_; }
    std::thread::id ExecutedOn() const { return executedOn_; }

  protected:
    void Execute() override {
        executed_ = true;
        executedOn_ = std::this_thread::get_id();
        if (work_) {
            work_();
        }
    }

  private:
    std::function<void()> work_;
    bool executed_ = false;
    std::thread::id executedOn_;
};

struct Delivered {
    std::int32_t id = 0;
    WorkItemStatus status = WorkItemStatus::Completed;
    std::string message;
    bool executed = false;
    std::thread::id executedOn;
    bool onOwnerThread = false;
};

// An owner loop on the test's thread with a pool whose completions are recorded.
class PoolHarness {
  public:
    explicit PoolHarness(PoolWorkerOptions workers = {}) : pool(loop, std::move(workers)) {
        pool.SetOnWorkItemDone([this](TOrlThreadPoolManager& from, TOrlTPWorkItem& item) {
            EXPECT_EQ(&from, &pool);
            auto& test = dynamic_cast<TestItem&>(item);
            delivered.push_back(Delivered{item.ID(), item.Status(), item.StatusMessage(),
                                          test.Executed(), test.ExecutedOn(),
                                          loop.IsOwnerThread()});
            if (onDelivered) {
                onDelivered(delivered.back());
            }
            if (delivered.size() >= awaited) {
                loop.Stop();
            }
        });
    }

    std::int32_t Queue(std::function<void()> work = {}) {
        return pool.QueueWorkItem(std::make_unique<TestItem>(std::move(work)));
    }

    // Runs the owner loop until `count` items have been delivered in all.
    void RunUntilDelivered(std::size_t count) {
        awaited = count;
        if (delivered.size() >= awaited) {
            return;
        }
        bool timedOut = false;
        const TimerId watchdog = loop.StartTimer(std::chrono::minutes(2), TimerMode::kOneShot, [&] {
            timedOut = true;
            loop.Stop();
        });
        loop.Run();
        loop.StopTimer(watchdog);
        ASSERT_FALSE(timedOut) << "only " << delivered.size() << " of " << count << " delivered";
    }

    EventLoop loop;
    TOrlThreadPoolManager pool;
    std::vector<Delivered> delivered;
    std::function<void(const Delivered&)> onDelivered;
    std::size_t awaited = 0;
};

}  // namespace trevalon::testing
