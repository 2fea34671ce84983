#pragma once

// The engine's owner loop on Qt's event loop: the manager's window thread runs the engine's
// posted tasks and timers between its own events.

#include <QObject>
#include <QThread>

#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "foundation/owner_loop.h"

class QTimer;

namespace trevalon {

class QtOwnerLoop final : public QObject, public OwnerLoop {
  public:
    // What a task or tick raises goes to the handler: Qt's loop must never see an exception.
    using ErrorHandler = std::function<void(std::exception_ptr error)>;

    // The owner is the thread that makes the loop; Run and Stop drive QCoreApplication's loop.
    // Without a handler of its own an error is logged as an unhandled error.
    QtOwnerLoop();
    ~QtOwnerLoop() override;

    void SetErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    void Post(OwnerTask task) override;
    TimerId StartTimer(std::chrono::milliseconds interval, TimerMode mode, OwnerTask tick) override;
    void StopTimer(TimerId timer) override;
    void ChangeTimerInterval(TimerId timer, std::chrono::milliseconds interval) override;
    void Run() override;
    void Stop() override;
    bool IsOwnerThread() const override;

  private:
    struct Timer;
    void Tick(TimerId timer);
    void Guarded(const OwnerTask& task) const;

    QThread* const owner_;
    TimerId nextTimer_ = 1;
    std::map<TimerId, std::unique_ptr<Timer>> timers_;
    ErrorHandler errorHandler_;
};

}  // namespace trevalon
