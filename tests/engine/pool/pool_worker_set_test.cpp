#include <atomic>
#include <chrono>
#include <latch>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "engine/pool/pool_worker_set.h"
#include "tests/engine/pool/pool_test_support.h"

namespace trevalon {
namespace {

using testing::Gate;

TEST(PoolWorkerSet, BlockedTasksGetFurtherThreadsUpToTheCeiling) {
    std::atomic<int> finished{0};
    Gate gate;
    {
        PoolWorkerOptions options;
        options.runners = 1;
        PoolWorkerSet workers(options);
        workers.SetCeiling(3);
        std::latch threeRunning(3);
        for (int i = 0; i < 3; ++i) {
            workers.Hand([&] {
                threeRunning.arrive_and_wait();
                gate.Wait();
                ++finished;
            });
        }
        threeRunning.wait();
        EXPECT_EQ(workers.ThreadCount(), 3u);
        for (int i = 0; i < 5; ++i) {
            workers.Hand([&] { ++finished; });
        }
        EXPECT_EQ(workers.ThreadCount(), 3u);
        EXPECT_EQ(finished, 0);
        gate.Open();
    }
    EXPECT_EQ(finished, 8);
}

TEST(PoolWorkerSet, ShortTasksStayOnTheRunners) {
    PoolWorkerOptions options;
    options.runners = 2;
    options.blockedAfter = std::chrono::minutes(10);
    std::atomic<int> finished{0};
    {
        PoolWorkerSet workers(options);
        for (int i = 0; i < 10000; ++i) {
            workers.Hand([&] { ++finished; });
        }
        EXPECT_LE(workers.ThreadCount(), 2u);
    }
    EXPECT_EQ(finished, 10000);
}

TEST(PoolWorkerSet, IdleThreadsRetireAndNewWorkStartsNewOnes) {
    PoolWorkerOptions options;
    options.idleRetirement = std::chrono::milliseconds(1);
    PoolWorkerSet workers(options);
    std::latch bothRunning(2);
    std::latch bothDone(2);
    for (int i = 0; i < 2; ++i) {
        workers.Hand([&] {
            bothRunning.arrive_and_wait();
            bothDone.count_down();
        });
    }
    bothDone.wait();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (workers.ThreadCount() > 0 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::yield();
    }
    EXPECT_EQ(workers.ThreadCount(), 0u);

    std::latch ranAgain(1);
    workers.Hand([&] { ranAgain.count_down(); });
    ranAgain.wait();
}

TEST(PoolWorkerSet, WorkThatFindsNoThreadAtAllIsRefused) {
    PoolWorkerOptions options;
    options.startThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::system_category());
    };
    PoolWorkerSet workers(options);
    bool ran = false;
    EXPECT_THROW(workers.Hand([&] { ran = true; }), std::system_error);
    EXPECT_EQ(workers.ThreadCount(), 0u);
    EXPECT_FALSE(ran);
}

TEST(PoolWorkerSet, WorkThatCannotGetANewThreadWaitsForABusyOne) {
    int started = 0;
    PoolWorkerOptions options;
    options.startThread = [&started](std::function<void()> body) -> std::thread {
        if (started++ > 0) {
            throw std::system_error(EAGAIN, std::system_category());
        }
        return std::thread(std::move(body));
    };
    std::atomic<int> finished{0};
    Gate gate;
    {
        PoolWorkerSet workers(options);
        std::latch running(1);
        workers.Hand([&] {
            running.count_down();
            gate.Wait();
            ++finished;
        });
        running.wait();
        workers.Hand([&] { ++finished; });
        EXPECT_EQ(workers.ThreadCount(), 1u);
        gate.Open();
    }
    EXPECT_EQ(finished, 2);
}

}  // namespace
}  // namespace trevalon
