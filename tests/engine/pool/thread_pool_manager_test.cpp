#include <algorithm>
#include <latch>
#include <numeric>
#include <stdexcept>
#include <system_error>

#include <gtest/gtest.h>

#include "engine/pool/thread_pool_manager.h"
#include "tests/engine/pool/pool_test_support.h"

namespace trevalon {
namespace {

using testing::Delivered;
using testing::Gate;
using testing::gLiveItems;
using testing::PoolHarness;
using testing::TestItem;

std::vector<std::int32_t> DeliveredIds(const std::vector<Delivered>& delivered) {
    std::vector<std::int32_t> ids;
    for (const Delivered& item : delivered) {
        ids.push_back(item.id);
    }
    return ids;
}

std::vector<std::int32_t> OneTo(std::int32_t last) {
    std::vector<std::int32_t> ids(static_cast<std::size_t>(last));
    std::iota(ids.begin(), ids.end(), 1);
    return ids;
}

TEST(WorkItemStatus, DescriptionTexts) {
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::Completed), "Completed.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::PostFailed), "Unknown error has occured.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::PostTimedOut),
              "Timed out waiting on thread queue.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::ControlQueueFull), "Thread queue is full.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::ExecuteRaised), "Work item raised an exception.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::StartFailed), "QueueUserWorkItem failed.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::Cancelled), "Work item was canceled.");
    EXPECT_EQ(WorkItemStatusText(WorkItemStatus::Rejected), "Server is busy.");
    EXPECT_EQ(WorkItemStatusText(static_cast<WorkItemStatus>(8)), "Unknown error has occured.");
}

TEST(ThreadPool, RunsItemsOnWorkersAndDeliversThemOnTheOwnerInFinishingOrder) {
    {
        PoolHarness harness;
        EXPECT_EQ(harness.pool.MaxPooled(), 0);
        EXPECT_EQ(harness.pool.MaxQueueLength(), 0);
        EXPECT_EQ(harness.pool.MaxQueuedTime(), 0);
        EXPECT_EQ(harness.pool.MaxWaitOnTerminate(), 30);
        harness.pool.SetMaxPooled(1);
        const TimePoint before = EngineClock().Now();
        std::vector<std::int32_t> returned;
        for (int i = 0; i < 50; ++i) {
            returned.push_back(harness.Queue());
        }
        harness.RunUntilDelivered(50);
        EXPECT_EQ(returned, OneTo(50));
        // One at a time: finishing order is queueing order.
        EXPECT_EQ(DeliveredIds(harness.delivered), OneTo(50));
        for (const Delivered& item : harness.delivered) {
            EXPECT_EQ(item.status, WorkItemStatus::Completed);
            EXPECT_EQ(item.message, "");
            EXPECT_TRUE(item.executed);
            EXPECT_TRUE(item.onOwnerThread);
            EXPECT_NE(item.executedOn, std::this_thread::get_id());
        }
        EXPECT_EQ(harness.pool.ExecutingCount(), 0);
        EXPECT_EQ(harness.pool.PooledCount(), 0);
        EXPECT_EQ(harness.pool.QueuedCount(), 0);
        EXPECT_EQ(gLiveItems, 0);

        TimePoint queuedAt{};
        harness.pool.SetOnWorkItemDone([&](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
            queuedAt = item.QueuedAt();
            harness.loop.Stop();
        });
        harness.Queue();
        harness.loop.Run();
        EXPECT_GE(queuedAt, before);
        EXPECT_LE(queuedAt, EngineClock().Now());
    }
    EXPECT_EQ(gLiveItems, 0);
}

TEST(ThreadPool, AnErrorRaisedByExecuteBecomesTheStatusMessage) {
    PoolHarness harness;
    harness.Queue([] { throw std::runtime_error("disk on fire"); });
    harness.Queue([] { throw 42; });
    harness.RunUntilDelivered(2);
    ASSERT_EQ(harness.delivered.size(), 2u);
    std::sort(harness.delivered.begin(), harness.delivered.end(),
              [](const Delivered& a, const Delivered& b) { return a.id < b.id; });
    EXPECT_EQ(harness.delivered[0].status, WorkItemStatus::ExecuteRaised);
    EXPECT_EQ(harness.delivered[0].message, "disk on fire");
    EXPECT_EQ(harness.delivered[1].status, WorkItemStatus::ExecuteRaised);
    EXPECT_EQ(harness.delivered[1].message, "");
    EXPECT_EQ(harness.pool.ExecutingCount(), 0);
}

TEST(ThreadPool, AFullQueueRefusesAtOnceAndTheRefusedItemStillHasItsId) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(1);
    harness.pool.SetMaxQueueLength(2);
    Gate gate;
    std::latch started(1);
    harness.Queue([&] {
        started.count_down();
        gate.Wait();
    });
    started.wait();
    harness.Queue();
    harness.Queue();
    EXPECT_EQ(harness.Queue(), 4);
    harness.RunUntilDelivered(1);
    ASSERT_EQ(harness.delivered.size(), 1u);
    EXPECT_EQ(harness.delivered[0].id, 4);
    EXPECT_EQ(harness.delivered[0].status, WorkItemStatus::Rejected);
    EXPECT_EQ(harness.delivered[0].message, "Execution queue is too long.");
    EXPECT_FALSE(harness.delivered[0].executed);
    EXPECT_EQ(harness.pool.QueuedCount(), 2);
    EXPECT_EQ(harness.pool.PooledCount(), 1);
    EXPECT_EQ(harness.pool.ExecutingCount(), 1);

    gate.Open();
    harness.RunUntilDelivered(4);
    EXPECT_EQ(DeliveredIds(harness.delivered), (std::vector<std::int32_t>{4, 1, 2, 3}));
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(harness.delivered[i].status, WorkItemStatus::Completed);
        EXPECT_TRUE(harness.delivered[i].executed);
    }
}

TEST(ThreadPool, ItemsWaitingTooLongExpireOneAfterAnotherWithoutRunning) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(1);
    harness.pool.SetMaxQueuedTime(1);
    Gate gate;
    harness.Queue([&] { gate.Wait(); });
    harness.Queue();
    harness.Queue();
    harness.RunUntilDelivered(2);
    ASSERT_EQ(harness.delivered.size(), 2u);
    EXPECT_EQ(DeliveredIds(harness.delivered), (std::vector<std::int32_t>{2, 3}));
    for (const Delivered& item : harness.delivered) {
        EXPECT_EQ(item.status, WorkItemStatus::Rejected);
        EXPECT_EQ(item.message, "Maximum wait time exceeded.");
        EXPECT_FALSE(item.executed);
    }
    gate.Open();
    harness.Queue();
    harness.RunUntilDelivered(4);
    EXPECT_EQ(DeliveredIds(harness.delivered), (std::vector<std::int32_t>{2, 3, 1, 4}));
    EXPECT_EQ(harness.delivered[3].status, WorkItemStatus::Completed);
}

TEST(ThreadPool, CancelEndsWaitingItemsUnrunAndRunningOnesAsCancelled) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(1);
    Gate gate;
    std::latch started(1);
    harness.Queue([&] {
        started.count_down();
        gate.Wait();
    });
    started.wait();
    harness.Queue();
    harness.Queue();
    harness.pool.CancelAllWorkItems();
    harness.RunUntilDelivered(2);
    // The waiting list is cancelled from its tail.
    EXPECT_EQ(DeliveredIds(harness.delivered), (std::vector<std::int32_t>{3, 2}));
    for (const Delivered& item : harness.delivered) {
        EXPECT_EQ(item.status, WorkItemStatus::Cancelled);
        EXPECT_EQ(item.message, "");
        EXPECT_FALSE(item.executed);
    }
    EXPECT_EQ(harness.pool.ExecutingCount(), 1);

    gate.Open();
    harness.RunUntilDelivered(3);
    EXPECT_EQ(harness.delivered[2].id, 1);
    EXPECT_EQ(harness.delivered[2].status, WorkItemStatus::Cancelled);
    EXPECT_TRUE(harness.delivered[2].executed);

    // A cancel concerns the items there were; later ones run as usual.
    harness.Queue();
    harness.RunUntilDelivered(4);
    EXPECT_EQ(harness.delivered[3].id, 4);
    EXPECT_EQ(harness.delivered[3].status, WorkItemStatus::Completed);
    EXPECT_TRUE(harness.delivered[3].executed);
}

TEST(ThreadPool, WithoutLimitsEverythingRunsAtOnceAndNothingExpires) {
    PoolHarness harness;
    constexpr int kTogether = 64;
    std::latch allRunning(kTogether);
    for (int i = 0; i < kTogether; ++i) {
        harness.Queue([&] { allRunning.arrive_and_wait(); });
    }
    constexpr int kBurst = 2000;
    for (int i = 0; i < kBurst; ++i) {
        harness.Queue();
    }
    harness.RunUntilDelivered(kTogether + kBurst);
    for (const Delivered& item : harness.delivered) {
        ASSERT_EQ(item.status, WorkItemStatus::Completed) << item.id;
        ASSERT_TRUE(item.executed);
    }
}

TEST(ThreadPool, NoMoreThanMaxPooledItemsRunAtOneTime) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(3);
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    const auto measure = [&] {
        const int now = ++running;
        int seen = mostRunning.load();
        while (seen < now && !mostRunning.compare_exchange_weak(seen, now)) {
        }
        EXPECT_LE(harness.pool.PooledCount(), 3);
    };
    std::latch firstThree(3);
    for (int i = 0; i < 3; ++i) {
        harness.Queue([&] {
            measure();
            firstThree.arrive_and_wait();
            --running;
        });
    }
    for (int i = 0; i < 40; ++i) {
        harness.Queue([&] {
            measure();
            --running;
        });
    }
    harness.RunUntilDelivered(43);
    EXPECT_EQ(mostRunning, 3);
}

TEST(ThreadPool, IdsFromFourQueueingThreadsRunFromOneWithoutGaps) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(4);
    harness.pool.SetMaxQueueLength(50);
    constexpr int kThreads = 4;
    constexpr int kEach = 2500;
    std::vector<std::vector<std::int32_t>> returned(kThreads);
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                returned[static_cast<std::size_t>(t)].push_back(
                    harness.pool.QueueWorkItem(std::make_unique<TestItem>()));
            }
        });
    }
    harness.RunUntilDelivered(kThreads * kEach);
    for (auto& producer : producers) {
        producer.join();
    }
    std::vector<std::int32_t> all;
    for (const auto& ids : returned) {
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
        all.insert(all.end(), ids.begin(), ids.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, OneTo(kThreads * kEach));
    std::vector<std::int32_t> delivered = DeliveredIds(harness.delivered);
    std::sort(delivered.begin(), delivered.end());
    EXPECT_EQ(delivered, OneTo(kThreads * kEach));
    for (const Delivered& item : harness.delivered) {
        ASSERT_TRUE(item.onOwnerThread);
        ASSERT_TRUE(item.status == WorkItemStatus::Completed ||
                    (item.status == WorkItemStatus::Rejected &&
                     item.message == "Execution queue is too long."));
    }
}

TEST(ThreadPool, NoWorkerForAnItemEndsItWithThePlatformsText) {
    PoolWorkerOptions workers;
    workers.startThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::system_category());
    };
    PoolHarness harness(std::move(workers));
    harness.Queue();
    harness.Queue();
    harness.RunUntilDelivered(2);
    for (const Delivered& item : harness.delivered) {
        EXPECT_EQ(item.status, WorkItemStatus::StartFailed);
        EXPECT_EQ(item.message, "Resource temporarily unavailable");
        EXPECT_FALSE(item.executed);
    }
    EXPECT_EQ(harness.pool.PooledCount(), 0);
    EXPECT_EQ(harness.pool.QueuedCount(), 0);
}

TEST(ThreadPool, ASchedulerErrorIsReportedAndThePoolTakesNoMoreWork) {
    {
        PoolWorkerOptions workers;
        workers.startThread = [](std::function<void()>) -> std::thread {
            throw std::runtime_error("QueueUserWorkItem is not available");
        };
        PoolHarness harness(std::move(workers));
        std::vector<std::pair<int, std::string>> errors;
        harness.pool.SetOnPoolError(
            [&](TOrlThreadPoolManager& pool, int code, const std::string& text) {
                EXPECT_EQ(&pool, &harness.pool);
                EXPECT_TRUE(harness.loop.IsOwnerThread());
                errors.emplace_back(code, text);
                harness.loop.Stop();
            });
        harness.Queue();
        harness.loop.Run();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].first, -1);
        EXPECT_EQ(errors[0].second, "QueueUserWorkItem is not available");
        EXPECT_TRUE(harness.delivered.empty());

        auto item = std::make_unique<TestItem>();
        try {
            harness.pool.QueueWorkItem(std::move(item));
            ADD_FAILURE() << "queued on a pool without a scheduler";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(),
                         "OrlWorkerPair: Cannot post to thread because it is not active");
        }
        EXPECT_NE(item, nullptr);
        EXPECT_EQ(item->ID(), 0);
        try {
            harness.pool.SetMaxPooled(5);
            ADD_FAILURE() << "limit set on a pool without a scheduler";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(),
                         "TOrlThreadPoolManager: Failed to set thread's MaxPooled parameter.");
        }
    }
    EXPECT_EQ(gLiveItems, 0);
}

TEST(ThreadPool, DestructionCancelsWaitsForRunningItemsAndFreesEveryItem) {
    std::atomic<int> executed{0};
    bool handlerCalled = false;
    Gate gate;
    std::thread opener;
    {
        EventLoop loop;
        TOrlThreadPoolManager pool(loop);
        pool.SetMaxPooled(2);
        pool.SetOnWorkItemDone(
            [&](TOrlThreadPoolManager&, TOrlTPWorkItem&) { handlerCalled = true; });
        std::latch started(1);
        pool.QueueWorkItem(std::make_unique<TestItem>([&] {
            started.count_down();
            gate.Wait();
            ++executed;
        }));
        started.wait();
        for (int i = 0; i < 500; ++i) {
            pool.QueueWorkItem(std::make_unique<TestItem>([&] { ++executed; }));
        }
        // Opens while the pool is being destroyed, or before: either way the destruction
        // waits for the running item.
        opener = std::thread([&] { gate.Open(); });
    }
    opener.join();
    EXPECT_FALSE(handlerCalled);
    EXPECT_GE(executed, 1);
    EXPECT_EQ(gLiveItems, 0);
}

TEST(ThreadPool, ARaisingHandlerLosesNoLaterItem) {
    PoolHarness harness;
    harness.pool.SetMaxPooled(1);
    int errors = 0;
    harness.loop.SetErrorHandler([&](std::exception_ptr) { ++errors; });
    harness.onDelivered = [](const Delivered& item) {
        if (item.id == 2) {
            throw std::runtime_error("handler failed");
        }
    };
    for (int i = 0; i < 5; ++i) {
        harness.Queue();
    }
    harness.RunUntilDelivered(5);
    EXPECT_EQ(DeliveredIds(harness.delivered), OneTo(5));
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(gLiveItems, 0);
}

}  // namespace
}  // namespace trevalon
