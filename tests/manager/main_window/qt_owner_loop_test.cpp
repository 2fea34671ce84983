#include "manager/main_window/qt_owner_loop.h"

#include <QCoreApplication>

#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace trevalon {
namespace {

using std::chrono::milliseconds;

// One application object for the whole test program, as the manager has.
QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "qt_owner_loop_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

class QtOwnerLoopTest : public ::testing::Test {
  protected:
    QtOwnerLoopTest() {
        Application();
        // Stops the loop and fails the test if it still runs after a minute.
        watchdog_ = loop_.StartTimer(std::chrono::minutes(1), TimerMode::kOneShot, [this] {
            ADD_FAILURE() << "the loop did not finish";
            loop_.Stop();
        });
    }
    ~QtOwnerLoopTest() override { loop_.StopTimer(watchdog_); }

    QtOwnerLoop loop_;
    TimerId watchdog_ = 0;
};

TEST_F(QtOwnerLoopTest, TasksOfOtherThreadsRunOnTheOwnerInPostingOrder) {
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<int> next(kThreads, 0);
    int ran = 0;
    std::vector<std::thread> posters;
    for (int thread = 0; thread < kThreads; ++thread) {
        posters.emplace_back([&, thread] {
            EXPECT_FALSE(loop_.IsOwnerThread());
            for (int i = 0; i < kEach; ++i) {
                loop_.Post([&, thread, i] {
                    EXPECT_TRUE(loop_.IsOwnerThread());
                    EXPECT_EQ(next[static_cast<std::size_t>(thread)]++, i);
                    if (++ran == kThreads * kEach) {
                        loop_.Stop();
                    }
                });
            }
        });
    }
    loop_.Run();
    for (std::thread& poster : posters) {
        poster.join();
    }
    EXPECT_EQ(ran, kThreads * kEach);
}

// A one-shot timer ticks once; a repeating one until it stops itself; a raising tick reaches
// the error handler and Qt's loop goes on.
TEST_F(QtOwnerLoopTest, TimersTickAndErrorsReachTheHandler) {
    std::vector<std::string> errors;
    loop_.SetErrorHandler([&errors](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& caught) {
            errors.emplace_back(caught.what());
        }
    });
    int once = 0;
    int repeated = 0;
    loop_.StartTimer(milliseconds(1), TimerMode::kOneShot, [&] { ++once; });
    TimerId repeating = 0;
    repeating = loop_.StartTimer(milliseconds(2), TimerMode::kRepeating, [&] {
        if (++repeated == 3) {
            loop_.StopTimer(repeating);
            loop_.Post([] { throw std::logic_error("posted"); });
            loop_.Post([&] { loop_.Stop(); });
            throw std::runtime_error("third tick");
        }
    });
    loop_.Run();
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeated, 3);
    EXPECT_EQ(errors, (std::vector<std::string>{"third tick", "posted"}));
}

}  // namespace
}  // namespace trevalon
