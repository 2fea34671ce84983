#include "manager/live_lists/row_hand_over.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace trevalon {
namespace {

TEST(RowHandOver, KeepsTheNewestRowsUpToItsCapacityOldestFirst) {
    RowHandOver<int> rows(3);
    for (int row = 1; row <= 5; ++row) {
        rows.Put(row);
    }
    EXPECT_EQ(rows.TakeAll(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(rows.Dropped(), 2u);
    EXPECT_TRUE(rows.TakeAll().empty());
    rows.Put(6);
    rows.Put(7);
    rows.SetCapacity(1);
    EXPECT_EQ(rows.TakeAll(), std::vector<int>{7});
    EXPECT_EQ(rows.Dropped(), 3u);

    EXPECT_EQ(LiveListCap(100), 100u);
    EXPECT_EQ(LiveListCap(0), kLiveListCeiling);
    EXPECT_EQ(LiveListCap(5000000), kLiveListCeiling);
}

// Four receivers hand rows over while the window takes them: every row arrives once, and each
// receiver's rows in their order.
TEST(RowHandOver, RowsOfManyThreadsArriveOnceInTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kRows = 20000;
    RowHandOver<std::pair<int, int>> rows(kLiveListCeiling);
    std::vector<std::thread> receivers;
    for (int thread = 0; thread < kThreads; ++thread) {
        receivers.emplace_back([&rows, thread] {
            for (int row = 0; row < kRows; ++row) {
                rows.Put({thread, row});
            }
        });
    }
    std::vector<int> next(kThreads, 0);
    int taken = 0;
    while (taken < kThreads * kRows) {
        for (const auto& [thread, row] : rows.TakeAll()) {
            ASSERT_EQ(next[static_cast<std::size_t>(thread)]++, row);
            ++taken;
        }
    }
    for (std::thread& receiver : receivers) {
        receiver.join();
    }
    EXPECT_EQ(rows.Dropped(), 0u);
}

}  // namespace
}  // namespace trevalon
