#include <gtest/gtest.h>

#include "foundation/clock.h"

namespace trevalon {
namespace {

TEST(ClockFormatting, DatesAndTimesAreZeroPaddedToTheirWidth) {
    EXPECT_EQ(FormatDate(LocalTime{2024, 3, 1, 5, 6, 7, 5}), "2024-03-01");
    EXPECT_EQ(FormatDateTime(LocalTime{2024, 3, 1, 5, 6, 7, 5}), "2024-03-01 05:06:07");
    EXPECT_EQ(FormatDateTime(LocalTime{2199, 12, 31, 23, 59, 59, 2}), "2199-12-31 23:59:59");
    EXPECT_EQ(FormatDateTime(LocalTime{999, 1, 2, 0, 0, 0, 0}), "0999-01-02 00:00:00");
    EXPECT_EQ(FormatDate(LocalTime{12345, 10, 10, 0, 0, 0, 0}), "12345-10-10");
}

TEST(ClockFormatting, ALocalTimeRoundTripsThroughTheClock) {
    const LocalTime local{2024, 7, 15, 13, 45, 30, 1};
    EXPECT_EQ(FormatDateTime(ToLocalTime(FromLocalTime(local))), "2024-07-15 13:45:30");
}

}  // namespace
}  // namespace trevalon
