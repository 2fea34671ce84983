#include "engine/pool/thread_pool_manager.h"

#include <chrono>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "engine/pool/pool_scheduler.h"
#include "foundation/clock.h"

namespace trevalon {

TOrlThreadPoolManager::TOrlThreadPoolManager(OwnerLoop& owner, PoolWorkerOptions workers)
    : delivery_(std::make_shared<PoolDelivery>(owner, *this)) {
    try {
        workers_ = std::make_unique<PoolWorkerSet>(std::move(workers));
        scheduler_ =
            std::make_unique<TOrlTPThread>(control_, *delivery_, *workers_, runEnd_, counters_);
    } catch (const std::system_error&) {
        throw std::runtime_error("TOrlThreadPoolManager: failed to create worker thread");
    }
    SetMaxPooled(0);
    SetMaxQueuedTime(0);
    SetMaxQueueLength(0);
    SetMaxWaitOnTerminate(TOrlTPThread::kDefaultMaxWaitOnTerminate);
}

TOrlThreadPoolManager::~TOrlThreadPoolManager() {
    // The cancel is read before the stop: nothing that waits now is started any more.
    control_.Post(ControlMessage{ControlMessage::Kind::CancelAll, 0, nullptr});
    control_.Post(ControlMessage{ControlMessage::Kind::Stop, 0, nullptr});
    scheduler_->Join();
    // Workers that come back now find the channel closed and destroy their items themselves.
    control_.Close();
    workers_.reset();
    runEnd_.AwaitDeferredRuns();
    for (TOrlTPWorkItem* item : scheduler_->TakeHeldItems()) {
        delete item;
    }
    for (const ControlMessage& message : control_.TakeRemaining()) {
        delete message.item;
    }
    delivery_->Release();
}

void TOrlThreadPoolManager::SetMaxPooled(int value) {
    SendLimit(ControlMessage::Kind::SetMaxPooled, value,
              "TOrlThreadPoolManager: Failed to set thread's MaxPooled parameter.");
    maxPooled_ = value;
}

void TOrlThreadPoolManager::SetMaxQueuedTime(int value) {
    SendLimit(ControlMessage::Kind::SetMaxQueuedTime, value,
              "TOrlThreadPoolManager: Failed to set thread's MaxQueuedTime parameter.");
    maxQueuedTime_ = value;
}

void TOrlThreadPoolManager::SetMaxQueueLength(int value) {
    SendLimit(ControlMessage::Kind::SetMaxQueueLength, value,
              "TOrlThreadPoolManager: Failed to set thread's MaxQueueLength parameter.");
    maxQueueLength_ = value;
}

void TOrlThreadPoolManager::SetMaxWaitOnTerminate(int value) {
    SendLimit(ControlMessage::Kind::SetMaxWaitOnTerminate, value,
              "TOrlThreadPoolManager: Failed to set thread's MaxWaitOnTerminate parameter.");
    maxWaitOnTerminate_ = value;
}

void TOrlThreadPoolManager::SetOnWorkItemDone(WorkItemDoneHandler handler) {
    delivery_->SetOnWorkItemDone(std::move(handler));
}

void TOrlThreadPoolManager::SetOnPoolError(PoolErrorHandler handler) {
    delivery_->SetOnPoolError(std::move(handler));
}

std::int32_t TOrlThreadPoolManager::Accept(TOrlTPWorkItem* accepted) {
    if (accepted == nullptr) {
        throw std::invalid_argument("QueueWorkItem: no work item");
    }
    if (control_.Closed()) {
        throw std::runtime_error("OrlWorkerPair: Cannot post to thread because it is not active");
    }
    const std::int32_t id = ++lastId_;
    accepted->id_ = id;
    accepted->queuedAt_ = EngineClock().Now();
    accepted->waitingSince_ = std::chrono::steady_clock::now();
    if (!control_.Post(ControlMessage{ControlMessage::Kind::AddItem, 0, accepted})) {
        // The scheduler ended while this waited for room.
        accepted->Finish(WorkItemStatus::PostTimedOut, {});
        if (!delivery_->PostItemDone(accepted)) {
            delete accepted;
        }
    }
    return id;
}

void TOrlThreadPoolManager::CancelAllWorkItems() {
    control_.Post(ControlMessage{ControlMessage::Kind::CancelAll, 0, nullptr});
}

void TOrlThreadPoolManager::SendLimit(ControlMessage::Kind kind, int value, const char* failure) {
    if (!control_.Post(ControlMessage{kind, value, nullptr})) {
        throw std::runtime_error(failure);
    }
}

}  // namespace trevalon
