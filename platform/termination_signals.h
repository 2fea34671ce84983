#pragma once

#include <csignal>
#include <functional>
#include <thread>

namespace trevalon::platform {

// Turns SIGTERM and SIGINT, the service stop, into a call on a thread of its own. Construct it
// before any other thread starts, so that every thread inherits the blocked signals; destroy it
// on the thread that made it, which gets its signal mask back.
class TerminationSignals {
  public:
    explicit TerminationSignals(std::function<void()> onTermination);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void Wait();

    std::function<void()> onTermination_;
    sigset_t previousMask_{};
    std::thread waiter_;
};

}  // namespace trevalon::platform
