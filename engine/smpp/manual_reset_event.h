#pragma once

#include <condition_variable>
#include <mutex>

namespace trevalon {

// An event that stays set until reset; every waiter sees it.
class ManualResetEvent {
  public:
    void Set();
    void Reset();
    // True when the event is or becomes set within timeoutMs; a negative time-out waits without
    // limit.
    bool WaitFor(int timeoutMs);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
};

}  // namespace trevalon
