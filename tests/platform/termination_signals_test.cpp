#include "platform/termination_signals.h"

#include <csignal>
#include <future>

#include <gtest/gtest.h>

namespace trevalon::platform {
namespace {

TEST(TerminationSignals, TermAndIntReachTheHandlerOnItsThread) {
    std::promise<std::thread::id> term;
    std::promise<void> interrupt;
    int calls = 0;
    {
        TerminationSignals signals([&] {
            if (++calls == 1) {
                term.set_value(std::this_thread::get_id());
            } else {
                interrupt.set_value();
            }
        });
        kill(getpid(), SIGTERM);
        auto termThread = term.get_future();
        ASSERT_EQ(termThread.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_NE(termThread.get(), std::this_thread::get_id());
        kill(getpid(), SIGINT);
        ASSERT_EQ(interrupt.get_future().wait_for(std::chrono::seconds(10)),
                  std::future_status::ready);
    }
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace trevalon::platform
