#include "manager/main_window/qt_owner_loop.h"

#include <QCoreApplication>
#include <QTimer>

#include "foundation/diagnostic_log.h"

namespace trevalon {

struct QtOwnerLoop::Timer {
    QTimer timer;
    TimerMode mode;
    OwnerTask tick;
};

QtOwnerLoop::QtOwnerLoop() : owner_(QThread::currentThread()) {}

QtOwnerLoop::~QtOwnerLoop() = default;

void QtOwnerLoop::Post(OwnerTask task) {
    // Queued to this object's thread, in posting order.
    QMetaObject::invokeMethod(
        this, [this, task = std::move(task)] { Guarded(task); }, Qt::QueuedConnection);
}

TimerId QtOwnerLoop::StartTimer(std::chrono::milliseconds interval, TimerMode mode,
                                OwnerTask tick) {
    const TimerId id = nextTimer_++;
    auto timer = std::make_unique<Timer>();
    timer->mode = mode;
    timer->tick = std::move(tick);
    timer->timer.setSingleShot(mode == TimerMode::kOneShot);
    timer->timer.setInterval(interval);
    QObject::connect(&timer->timer, &QTimer::timeout, this, [this, id] { Tick(id); });
    timer->timer.start();
    timers_.emplace(id, std::move(timer));
    return id;
}

void QtOwnerLoop::Tick(TimerId id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) {
        return;
    }
    // A one-shot timer has ended before its tick runs; the tick may start or stop timers.
    OwnerTask tick = found->second->mode == TimerMode::kOneShot ? std::move(found->second->tick)
                                                                : found->second->tick;
    if (found->second->mode == TimerMode::kOneShot) {
        timers_.erase(found);
    }
    Guarded(tick);
}

void QtOwnerLoop::Guarded(const OwnerTask& task) const {
    try {
        task();
    } catch (...) {
        if (errorHandler_) {
            errorHandler_(std::current_exception());
        } else {
            LogUnhandledError(std::current_exception());
        }
    }
}

void QtOwnerLoop::StopTimer(TimerId timer) {
    timers_.erase(timer);
}

void QtOwnerLoop::ChangeTimerInterval(TimerId timer, std::chrono::milliseconds interval) {
    const auto found = timers_.find(timer);
    if (found != timers_.end()) {
        found->second->timer.start(interval);
    }
}

void QtOwnerLoop::Run() {
    QCoreApplication::exec();
}

void QtOwnerLoop::Stop() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

bool QtOwnerLoop::IsOwnerThread() const {
    return QThread::currentThread() == owner_;
}

}  // namespace trevalon
