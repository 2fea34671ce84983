#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/alarms/thread_pool_manager.h"
#include "tests/engine/alarms/pool_test_support.h"

namespace trevalon {
namespace {

using testing::gLiveItems;
using testing::PoolHarness;

// Keeps the completions of the items that deferred their end.
class CompletionSink {
  public:
    explicit CompletionSink(std::ptrdiff_t expected) : deferred_(expected) {}

    void Keep(WorkItemCompletion completion) {
        {
            std::lock_guard lock(mutex_);
            completions_.push_back(std::move(completion));
        }
        deferred_.count_down();
    }
    void AwaitAll() { deferred_.wait(); }
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
    std::mutex mutex_;
    std::vector<WorkItemCompletion> completions_;
    std::latch deferred_;
};

class DeferringItem : public testing::TestItem {
  public:
    explicit DeferringItem(CompletionSink& sink) : sink_(sink) {}

  protected:
    void Execute() override {
        TestItem::Execute();
        WorkItemCompletion completion = DeferCompletion();
        ASSERT_TRUE(completion);
        // The item may be gone once the sink has it.
        CompletionSink& sink = sink_;
        sink.Keep(std::move(completion));
    }

  private:
    CompletionSink& sink_;
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
