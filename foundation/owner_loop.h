#pragma once

// The owner thread's loop as the engine sees it: posted tasks and timers. The service runs
// its own; the manager adapts Qt's.

#include <chrono>
#include <cstdint>
#include <functional>

namespace trevalon {

using OwnerTask = std::function<void()>;

// 0 never names a timer, so it can stand for "none".
using TimerId = std::uint64_t;

enum class TimerMode {
    kOneShot,
    kRepeating,
};

// The engine's main thread: one thread, the owner, runs posted tasks and timer ticks one at a
// time. The service runs an EventLoop; the manager adapts its window system's loop to this.
class OwnerLoop {
  public:
    virtual ~OwnerLoop();

    // Any thread. `task` runs on the owner thread after every task posted before it.
    virtual void Post(OwnerTask task) = 0;

    // Owner thread. The first tick comes `interval` after the start; a repeating timer then ticks
    // every `interval` until it is stopped, a one-shot timer ends after its tick.
    virtual TimerId StartTimer(std::chrono::milliseconds interval, TimerMode mode,
                               OwnerTask tick) = 0;
    // Owner thread, ticks included. No tick follows; ids of ended timers are ignored.
    virtual void StopTimer(TimerId timer) = 0;
    // Owner thread, ticks included. The countdown starts again with the new interval.
    virtual void ChangeTimerInterval(TimerId timer, std::chrono::milliseconds interval) = 0;

    // Owner thread. Runs tasks and ticks until Stop; then returns, leaving what is left for a
    // later Run.
    virtual void Run() = 0;
    // Any thread. Run returns once the task or tick in progress is done; a Stop before Run makes
    // the next Run return at once.
    virtual void Stop() = 0;

    virtual bool IsOwnerThread() const = 0;
};

}  // namespace trevalon
