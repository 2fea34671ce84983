#include "foundation/event_loop.h"

#include <algorithm>
#include <utility>

namespace trevalon {

EventLoop::EventLoop() : owner_(std::this_thread::get_id()) {}

EventLoop::~EventLoop() = default;

void EventLoop::Post(OwnerTask task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

TimerId EventLoop::StartTimer(std::chrono::milliseconds interval, TimerMode mode, OwnerTask tick) {
    interval = std::max(interval, std::chrono::milliseconds::zero());
    TimerId timer = 0;
    {
        std::lock_guard lock(mutex_);
        timer = ++lastTimer_;
        timers_.emplace(timer, Timer{interval, mode, std::make_shared<OwnerTask>(std::move(tick)),
                                     SteadyClock::now() + interval});
    }
    wake_.notify_one();
    return timer;
}

void EventLoop::StopTimer(TimerId timer) {
    std::lock_guard lock(mutex_);
    timers_.erase(timer);
}

void EventLoop::ChangeTimerInterval(TimerId timer, std::chrono::milliseconds interval) {
    {
        std::lock_guard lock(mutex_);
        const auto found = timers_.find(timer);
        if (found == timers_.end()) {
            return;
        }
        found->second.interval = std::max(interval, std::chrono::milliseconds::zero());
        found->second.due = SteadyClock::now() + found->second.interval;
    }
    wake_.notify_one();
}

void EventLoop::Run() {
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        // A due tick and a waiting task take turns, so neither can starve the other.
        const bool ticked = FireDueTimer(lock);
        if (stopRequested_) {
            break;
        }
        const bool ranTask = RunNextTask(lock);
        if (ticked || ranTask || stopRequested_) {
            continue;
        }
        const auto next = EarliestTimer();
        if (next == timers_.end()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, next->second.due);
        }
    }
    stopRequested_ = false;
}

void EventLoop::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_one();
}

bool EventLoop::IsOwnerThread() const {
    return std::this_thread::get_id() == owner_;
}

void EventLoop::SetErrorHandler(ErrorHandler handler) {
    errorHandler_ = std::move(handler);
}

bool EventLoop::FireDueTimer(std::unique_lock<std::mutex>& lock) {
    const auto timer = EarliestTimer();
    const auto now = SteadyClock::now();
    if (timer == timers_.end() || timer->second.due > now) {
        return false;
    }
    // The next tick is planned before this one runs: a tick that stops or changes its own timer
    // has the last word, and a tick that raises still keeps a repeating timer going.
    const std::shared_ptr<OwnerTask> tick = timer->second.tick;
    if (timer->second.mode == TimerMode::kRepeating) {
        Timer& repeating = timer->second;
        repeating.due += repeating.interval;
        if (repeating.due <= now) {
            repeating.due = now + repeating.interval;
        }
    } else {
        timers_.erase(timer);
    }
    lock.unlock();
    Invoke(*tick);
    lock.lock();
    return true;
}

bool EventLoop::RunNextTask(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty()) {
        return false;
    }
    const OwnerTask task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    Invoke(task);
    lock.lock();
    return true;
}

void EventLoop::Invoke(const OwnerTask& work) {
    if (!errorHandler_) {
        work();
        return;
    }
    try {
        work();
    } catch (...) {
        errorHandler_(std::current_exception());
    }
}

std::map<TimerId, EventLoop::Timer>::iterator EventLoop::EarliestTimer() {
    return std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
        return a.second.due < b.second.due;
    });
}

}  // namespace trevalon
