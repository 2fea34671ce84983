#include "engine/smpp/smpp_time.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace trevalon {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// 0100-01-01 and 9999-12-31 as day numbers.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;

struct SplitTime {
    std::int64_t days = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

SplitTime Split(TDateTime value) {
    const auto total = static_cast<std::int64_t>(std::llround(value * kMillisecondsPerDay));
    SplitTime split;
    split.days = total / kMillisecondsPerDay;
    std::int64_t rest = total % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --split.days;
    }
    split.hour = static_cast<int>(rest / 3'600'000);
    split.minute = static_cast<int>(rest / 60'000 % 60);
    split.second = static_cast<int>(rest / 1000 % 60);
    split.millisecond = static_cast<int>(rest % 1000);
    return split;
}

}  // namespace

std::string AbsoluteSmppTime(TDateTime value, int biasMinutes) {
    if (!std::isfinite(value) || value < kFirstDay || value >= kLastDay + 1) {
        return {};
    }
    using namespace std::chrono;
    const SplitTime split = Split(value);
    const year_month_day date{sys_days{year{1899} / December / 30} + days{split.days}};
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02u%02u%02d%02d%02d%d%02d%c",
                  static_cast<int>(date.year()) % 100, static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), split.hour, split.minute, split.second,
                  split.millisecond / 100, std::abs(biasMinutes) / 15 % 100,
                  biasMinutes < 0 ? '+' : '-');
    return text;
}

std::string RelativeSmppTime(TDateTime value) {
    if (!std::isfinite(value) || value < 0 || value >= kLastDay + 1) {
        return {};
    }
    const SplitTime split = Split(value);
    char text[32];
    std::snprintf(text, sizeof text, "0000%02d%02d%02d%02d000R",
                  static_cast<int>(split.days > 31 ? 31 : split.days), split.hour, split.minute,
                  split.second);
    return text;
}

int PlatformTimeZoneBias() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(-local.tm_gmtoff / 60);
}

}  // namespace trevalon
