#pragma once

#include <atomic>

#include "foundation/clock.h"

namespace trevalon::testing {

// A clock that says what the test sets; installed as the engine's clock while alive.
class FixedClock final : public Clock {
  public:
    explicit FixedClock(const LocalTime& local) : now_(FromLocalTime(local)), override_(*this) {}

    TimePoint Now() const override { return now_.load(); }
    void Set(const LocalTime& local) { now_.store(FromLocalTime(local)); }
    void Set(TimePoint time) { now_.store(time); }

  private:
    std::atomic<TimePoint> now_;
    ScopedClockOverride override_;
};

}  // namespace trevalon::testing
