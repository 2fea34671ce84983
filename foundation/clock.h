#pragma once

#include <chrono>
#include <string>

namespace trevalon {

using TimePoint = std::chrono::system_clock::time_point;

// Broken-down local time, the form every file name and time text is made from.
struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 = Sunday
};

// Where "now" comes from. The engine asks the process-wide clock so tests can pin the time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

const Clock& EngineClock();

// Replaces the process-wide clock while alive; for tests.
class ScopedClockOverride {
  public:
    explicit ScopedClockOverride(const Clock& clock);
    ~ScopedClockOverride();
    ScopedClockOverride(const ScopedClockOverride&) = delete;
    ScopedClockOverride& operator=(const ScopedClockOverride&) = delete;

  private:
    const Clock* previous_;
};

LocalTime ToLocalTime(TimePoint time);
TimePoint FromLocalTime(const LocalTime& local);
LocalTime LocalNow();

// "yyyy-MM-dd HH:mm:ss"
std::string FormatDateTime(const LocalTime& local);
// "yyyy-MM-dd"
std::string FormatDate(const LocalTime& local);

}  // namespace trevalon
