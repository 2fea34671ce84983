#pragma once

// The base of the threads a session runs (receiving, keeping the link alive).

#include <atomic>
#include <mutex>
#include <thread>

namespace trevalon {

// A thread of a session that runs until it is told to end. Its owner starts it, tells it to end
// and waits for it; a derived class waits in its destructor, before its own members go.
class TRelayThread {
  public:
    virtual ~TRelayThread() = default;
    TRelayThread(const TRelayThread&) = delete;
    TRelayThread& operator=(const TRelayThread&) = delete;

    void Start();
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    void WaitFor();

  protected:
    TRelayThread() = default;
    virtual void Execute() = 0;

  private:
    std::atomic<bool> terminated_{false};
    std::mutex joinMutex_;
    std::thread thread_;
};

}  // namespace trevalon
