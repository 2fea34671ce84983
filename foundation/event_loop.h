#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "foundation/owner_loop.h"

namespace trevalon {

// The service's owner loop: the thread that creates it is the owner. It sleeps on a condition
// variable until a task is posted, the next timer is due or Stop is called.
class EventLoop final : public OwnerLoop {
  public:
    // Gets what a task or tick raised; the loop then goes on. Without one, the error leaves Run.
    using ErrorHandler = std::function<void(std::exception_ptr error)>;

    EventLoop();
    ~EventLoop() override;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void Post(OwnerTask task) override;
    TimerId StartTimer(std::chrono::milliseconds interval, TimerMode mode, OwnerTask tick) override;
    void StopTimer(TimerId timer) override;
    void ChangeTimerInterval(TimerId timer, std::chrono::milliseconds interval) override;
    void Run() override;
    void Stop() override;
    bool IsOwnerThread() const override;

    // Owner thread, before Run.
    void SetErrorHandler(ErrorHandler handler);

  private:
    using SteadyClock = std::chrono::steady_clock;

    struct Timer {
        std::chrono::milliseconds interval;
        TimerMode mode;
        std::shared_ptr<OwnerTask> tick;
        SteadyClock::time_point due;
    };

    // Both run with the lock held on entry and on a normal return; the work itself runs unlocked.
    bool FireDueTimer(std::unique_lock<std::mutex>& lock);
    bool RunNextTask(std::unique_lock<std::mutex>& lock);
    void Invoke(const OwnerTask& work);
    std::map<TimerId, Timer>::iterator EarliestTimer();

    const std::thread::id owner_;
    ErrorHandler errorHandler_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<OwnerTask> tasks_;
    std::map<TimerId, Timer> timers_;
    TimerId lastTimer_ = 0;
    bool stopRequested_ = false;
};

}  // namespace trevalon
