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

// At least `width` digits, zero-padded, as "%0*d" writes them; every message formats a few.
void AppendDigits(std::string& text, int value, int width) {
    if (value < 0) {
        text += '-';
        value = -value;
        --width;
    }
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (; count < width; --width) {
        text += '0';
    }
    while (count > 0) {
        text += digits[--count];
    }
}
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
    std::string text = FormatDate(local);
    text += ' ';
    AppendDigits(text, local.hour, 2);
    text += ':';
    AppendDigits(text, local.minute, 2);
    text += ':';
    AppendDigits(text, local.second, 2);
    return text;
}

std::string FormatDate(const LocalTime& local) {
    std::string text;
    text.reserve(19);
    AppendDigits(text, local.year, 4);
    text += '-';
    AppendDigits(text, local.month, 2);
    text += '-';
    AppendDigits(text, local.day, 2);
    return text;
}

}  // namespace trevalon
