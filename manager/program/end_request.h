#pragma once

// SIGTERM and SIGINT arrive before the window exists, while it runs, or after it is gone; this
// hands them to whoever ends the program at that moment.

#include <functional>
#include <mutex>

namespace trevalon {

class EndRequest {
  public:
    // Any thread: the program should end as its window's Close ends it.
    void Request();
    // Who ends the program from now on; runs at once when the end was asked for before. An
    // empty handler keeps later requests for the next one.
    void SetHandler(std::function<void()> handler);

  private:
    std::mutex mutex_;
    bool requested_ = false;
    std::function<void()> handler_;
};

}  // namespace trevalon
