#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/pool/thread_pool_manager.h"
#include "tests/engine/pool/pool_test_support.h"

namespace trevalon {
namespace {

using testing::gLiveItems;
using testing::PoolHarness;

// Keeps the completions of the items that deferred their end.
class CompletionSink {
  public:
    explicit CompletionSink(std::size_t expected = 0) : expected_(expected) {}

    // Notifies under the lock: a waiter that sees the last completion may destroy the sink at
    // once, so the pool thread must be done with it by then.
    void Keep(WorkItemCompletion completion) {
        std::lock_guard lock(mutex_);
        completions_.push_back(std::move(completion));
        ++kept_;
        keptOne_.notify_all();
    }
    void AwaitAll() { Await(expected_); }
    // Until `count` completions were kept in all.
    void Await(std::size_t count) {
        std::unique_lock lock(mutex_);
        keptOne_.wait(lock, [&] { return kept_ >= count; });
    }
    std::size_t Kept() {
        std::lock_guard lock(mutex_);
        return kept_;
    }
    // Completes every kept completion; the items may be gone afterwards.
    void CompleteAll() {
        std::vector<WorkItemCompletion> completions;
        {
            std::lock_guard lock(mutex_);
            completions.swap(completions_);
        }
        for (WorkItemCompletion& completion : completions) {
            completion.Complete();
        }
    }

  private:
    const std::size_t expected_;
    std::mutex mutex_;
    std::condition_variable keptOne_;
    std::vector<WorkItemCompletion> completions_;
    std::size_t kept_ = 0;
};

enum class Place { kKept, kFreed };

class DeferringItem : public testing::TestItem {
  public:
    explicit DeferringItem(CompletionSink& sink, Place place = Place::kKept)
        : sink_(sink), place_(place) {}

  protected:
    void Execute() override {
        TestItem::Execute();
        WorkItemCompletion completion = DeferCompletion();
        ASSERT_TRUE(completion);
        if (place_ == Place::kFreed) {
            completion.FreePlace();
            completion.FreePlace();
        }
        // The item may be gone once the sink has it.
        CompletionSink& sink = sink_;
        sink.Keep(std::move(completion));
    }

  private:
    CompletionSink& sink_;
    const Place place_;
};

TEST(DeferredRun, WaitingRunsHoldNoWorkerAndStayCountedUntilTheirCompletion) {
    PoolWorkerOptions workers;
    workers.runners = 1;
    // Nothing here blocks: one thread must take every item.
    workers.blockedAfter = std::chrono::hours(1);
    PoolHarness harness(workers);
    harness.pool.SetMaxPooled(5);
    constexpr int kItems = 5;
    CompletionSink sink(kItems);
    for (int i = 0; i < kItems; ++i) {
        harness.pool.QueueWorkItem(std::make_unique<DeferringItem>(sink));
    }
    sink.AwaitAll();
    EXPECT_EQ(harness.pool.ExecutingCount(), kItems);
    EXPECT_EQ(harness.pool.PooledCount(), kItems);
    EXPECT_TRUE(harness.delivered.empty());

    std::thread completer([&] { sink.CompleteAll(); });
    harness.RunUntilDelivered(kItems);
    completer.join();
    for (const testing::Delivered& item : harness.delivered) {
        EXPECT_EQ(item.status, WorkItemStatus::Completed);
        EXPECT_TRUE(item.onOwnerThread);
        EXPECT_EQ(item.executedOn, harness.delivered.front().executedOn);
    }
    EXPECT_EQ(harness.pool.ExecutingCount(), 0);
    EXPECT_EQ(harness.pool.PooledCount(), 0);
}

TEST(DeferredRun, AFreedPlaceGoesToTheNextWaitingItemWhileTheRunGoesOn) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(2);
    constexpr std::size_t kFreeing = 6;
    CompletionSink freeing(kFreeing);
    for (std::size_t i = 0; i < kFreeing; ++i) {
        harness.pool.QueueWorkItem(std::make_unique<DeferringItem>(freeing, Place::kFreed));
    }
    freeing.AwaitAll();
    EXPECT_EQ(harness.pool.PooledCount(), 0);
    EXPECT_EQ(harness.pool.ExecutingCount(), static_cast<int>(kFreeing));

    // Items that keep their places fill the two there are; the third waits for one.
    CompletionSink keeping;
    for (int i = 0; i < 3; ++i) {
        harness.pool.QueueWorkItem(std::make_unique<DeferringItem>(keeping));
    }
    keeping.Await(2);
    EXPECT_EQ(harness.pool.PooledCount(), 2);
    EXPECT_EQ(harness.pool.QueuedCount(), 1);
    EXPECT_EQ(keeping.Kept(), 2U);
    EXPECT_TRUE(harness.delivered.empty());

    keeping.CompleteAll();
    keeping.Await(3);
    std::thread completer([&] {
        keeping.CompleteAll();
        freeing.CompleteAll();
    });
    harness.RunUntilDelivered(kFreeing + 3);
    completer.join();
    for (const testing::Delivered& item : harness.delivered) {
        EXPECT_EQ(item.status, WorkItemStatus::Completed);
    }
    EXPECT_EQ(harness.pool.ExecutingCount(), 0);
    EXPECT_EQ(harness.pool.PooledCount(), 0);
}

TEST(DeferredRun, DestructionWaitsForDeferredRunsAndFreesTheirItems) {
    constexpr int kItems = 20;
    CompletionSink sink(kItems);
    std::thread completer;
    {
        EventLoop loop;
        TOrlThreadPoolManager pool(loop);
        for (int i = 0; i < kItems; ++i) {
            pool.QueueWorkItem(std::make_unique<DeferringItem>(sink));
        }
        sink.AwaitAll();
        // Completes while the pool is being destroyed, or before.
        completer = std::thread([&] { sink.CompleteAll(); });
    }
    completer.join();
    EXPECT_EQ(gLiveItems, 0);
}

TEST(DeferredRun, AnItemRunOutsideAPoolCannotDefer) {
    class Probe : public TOrlTPWorkItem {
      public:
        bool Deferred() { return static_cast<bool>(DeferCompletion()); }
    } probe;
    EXPECT_FALSE(probe.Deferred());
}

}  // namespace
}  // namespace trevalon
