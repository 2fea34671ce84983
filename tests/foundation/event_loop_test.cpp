#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/event_loop.h"

namespace trevalon {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

// Stops the loop and fails the test if it is still running after two minutes.
class Watchdog {
  public:
    explicit Watchdog(EventLoop& loop) : loop_(loop) {
        timer_ = loop.StartTimer(std::chrono::minutes(2), TimerMode::kOneShot, [this] {
            ADD_FAILURE() << "the loop did not finish";
            loop_.Stop();
        });
    }
    ~Watchdog() { loop_.StopTimer(timer_); }

  private:
    EventLoop& loop_;
    TimerId timer_ = 0;
};

TEST(EventLoop, TasksFromManyThreadsRunOnTheOwnerInPostingOrder) {
    EventLoop loop;
    Watchdog watchdog(loop);
    constexpr int kThreads = 4;
    constexpr int kEach = 1000;
    std::vector<int> nextExpected(kThreads, 0);
    int ran = 0;
    bool allOnOwner = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            EXPECT_FALSE(loop.IsOwnerThread());
            for (int i = 0; i < kEach; ++i) {
                loop.Post([&, t, i] {
                    allOnOwner = allOnOwner && loop.IsOwnerThread();
                    EXPECT_EQ(nextExpected[static_cast<std::size_t>(t)]++, i);
                    if (++ran == kThreads * kEach) {
                        loop.Stop();
                    }
                });
            }
        });
    }
    loop.Run();
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_EQ(ran, kThreads * kEach);
    EXPECT_TRUE(allOnOwner);
    EXPECT_TRUE(loop.IsOwnerThread());
}

TEST(EventLoop, StopEndsRunOnlyOnceAndLeavesLaterTasksForTheNextRun) {
    EventLoop loop;
    loop.Stop();
    loop.Run();  // returns at once

    std::vector<int> ran;
    loop.Post([&] {
        ran.push_back(1);
        loop.Stop();
    });
    loop.Post([&] { ran.push_back(2); });
    loop.Run();
    EXPECT_EQ(ran, (std::vector<int>{1}));

    std::thread stopper;
    loop.Post([&] { stopper = std::thread([&] { loop.Stop(); }); });
    loop.Run();
    stopper.join();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(EventLoop, OneShotAndRepeatingTimers) {
    EventLoop loop;
    Watchdog watchdog(loop);
    int oneShot = 0;
    int repeating = 0;
    int never = 0;
    loop.StartTimer(milliseconds(1), TimerMode::kOneShot, [&] { ++oneShot; });
    const TimerId late = loop.StartTimer(hours(1), TimerMode::kOneShot, [&] { ++never; });
    TimerId ticker = 0;
    ticker = loop.StartTimer(milliseconds(1), TimerMode::kRepeating, [&] {
        if (++repeating == 20) {
            loop.StopTimer(ticker);
            loop.Stop();
        }
    });
    EXPECT_NE(ticker, 0u);
    loop.Run();
    EXPECT_EQ(repeating, 20);
    EXPECT_EQ(oneShot, 1);
    EXPECT_EQ(never, 0);
    loop.StopTimer(late);
    loop.StopTimer(late);
    loop.StopTimer(12345);

    // Neither the stopped timer nor the ended one-shot ticks again.
    int more = 0;
    TimerId last = 0;
    last = loop.StartTimer(milliseconds(1), TimerMode::kRepeating, [&] {
        if (++more == 20) {
            loop.StopTimer(last);
            loop.Stop();
        }
    });
    loop.Run();
    EXPECT_EQ(repeating, 20);
    EXPECT_EQ(oneShot, 1);
}

TEST(EventLoop, ChangingTheIntervalRestartsTheCountdown) {
    EventLoop loop;
    Watchdog watchdog(loop);
    int shortened = 0;
    const TimerId timer = loop.StartTimer(hours(1), TimerMode::kOneShot, [&] {
        ++shortened;
        loop.Stop();
    });
    loop.ChangeTimerInterval(timer, milliseconds(1));
    loop.Run();
    EXPECT_EQ(shortened, 1);

    // A tick that lengthens its own timer gets no further tick soon.
    int lengthened = 0;
    TimerId self = 0;
    self = loop.StartTimer(milliseconds(1), TimerMode::kRepeating, [&] {
        ++lengthened;
        loop.ChangeTimerInterval(self, hours(1));
    });
    int pacer = 0;
    TimerId pacing = 0;
    pacing = loop.StartTimer(milliseconds(1), TimerMode::kRepeating, [&] {
        if (++pacer == 20) {
            loop.StopTimer(pacing);
            loop.Stop();
        }
    });
    loop.Run();
    EXPECT_EQ(lengthened, 1);
    loop.StopTimer(self);
}

TEST(EventLoop, ARaisingTickRepeatsUntilItSucceedsAndStopsItself) {
    EventLoop loop;
    Watchdog watchdog(loop);
    std::vector<std::string> errors;
    loop.SetErrorHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& raised) {
            errors.emplace_back(raised.what());
        }
    });
    int attempts = 0;
    TimerId init = 0;
    init = loop.StartTimer(milliseconds(1), TimerMode::kRepeating, [&] {
        if (++attempts < 3) {
            throw std::runtime_error("database not ready");
        }
        loop.StopTimer(init);
        loop.Post([&] { loop.Stop(); });
    });
    loop.Run();
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(errors, (std::vector<std::string>{"database not ready", "database not ready"}));
}

TEST(EventLoop, WithoutAnErrorHandlerTheErrorLeavesRunAndTheLoopGoesOn) {
    EventLoop loop;
    bool later = false;
    loop.Post([] { throw std::runtime_error("task failed"); });
    loop.Post([&] {
        later = true;
        loop.Stop();
    });
    EXPECT_THROW(loop.Run(), std::runtime_error);
    EXPECT_FALSE(later);
    loop.Run();
    EXPECT_TRUE(later);
}

TEST(EventLoop, TicksAndAFloodOfTasksTakeTurns) {
    EventLoop loop;
    Watchdog watchdog(loop);
    std::atomic<bool> flooding{true};
    std::function<void()> flood = [&] {
        if (flooding) {
            loop.Post(flood);
        }
    };
    loop.Post(flood);
    int ticks = 0;
    TimerId timer = 0;
    timer = loop.StartTimer(milliseconds(0), TimerMode::kRepeating, [&] {
        if (++ticks == 100) {
            flooding = false;
            loop.StopTimer(timer);
            loop.Stop();
        }
    });
    loop.Run();
    EXPECT_EQ(ticks, 100);
}

}  // namespace
}  // namespace trevalon
