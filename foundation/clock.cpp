#include "foundation/clock.h"

#include <atomic>
#include <cstdio>
#include <ctime>

namespace trevalon {
namespace {

class SystemClock final : public Clock {
  public:
    TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

const SystemClock kSystemClock;
std::atomic<const Clock*> gClock{&kSystemClock};

}  // namespace

const Clock& EngineClock() {
    return *gClock.load(std::memory_order_acquire);
}

ScopedClockOverride::ScopedClockOverride(const Clock& clock)
    : previous_(gClock.exchange(&clock, std::memory_order_acq_rel)) {}

ScopedClockOverride::~ScopedClockOverride() {
    gClock.store(previous_, std::memory_order_release);
}

LocalTime ToLocalTime(TimePoint time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}

TimePoint FromLocalTime(const LocalTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

LocalTime LocalNow() {
    return ToLocalTime(EngineClock().Now());
}

std::string FormatDateTime(const LocalTime& local) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month,
                  local.day, local.hour, local.minute, local.second);
    return text;
}

std::string FormatDate(const LocalTime& local) {
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.year, local.month, local.day);
    return text;
}

}  // namespace trevalon
