#include "engine/pool/pool_scheduler.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <pthread.h>

#include "engine/pool/pool_counters.h"
#include "engine/pool/pool_delivery.h"
#include "engine/pool/pool_run_end.h"
#include "engine/pool/pool_worker_set.h"

namespace trevalon {
namespace {

constexpr std::string_view kQueueTooLong = "Execution queue is too long.";
constexpr std::string_view kWaitedTooLong = "Maximum wait time exceeded.";
// After a pass with work, the next messages are awaited this long without wake-ups, so that a
// stream of items costs the queueing threads one wake-up per nap rather than one per item.
constexpr std::chrono::microseconds kStreamingNap{1000};
constexpr std::chrono::microseconds kNoNap{0};

// Thread names are limited to 15 characters here.
void NameThisThread(std::string_view name) {
    const std::string shortName(name.substr(0, 15));
    pthread_setname_np(pthread_self(), shortName.c_str());
}

}  // namespace

TOrlTPThread::TOrlTPThread(PoolControlChannel& control, PoolDelivery& delivery,
                           PoolWorkerSet& workers, PoolRunEnd& runEnd, PoolCounters& counters)
    : control_(control),
      delivery_(delivery),
      workers_(workers),
      runEnd_(runEnd),
      counters_(counters) {
    thread_ = std::thread([this] { Main(); });
    running_.wait();
}

TOrlTPThread::~TOrlTPThread() {
    Join();
}

void TOrlTPThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<TOrlTPWorkItem*> TOrlTPThread::TakeHeldItems() {
    std::vector<TOrlTPWorkItem*> held(waiting_.begin(), waiting_.end());
    waiting_.clear();
    for (const ControlMessage& message : inbox_) {
        if (message.item != nullptr) {
            held.push_back(message.item);
        }
    }
    inbox_.clear();
    return held;
}

void TOrlTPThread::Main() {
    NameThisThread(kThreadName);
    running_.count_down();
    try {
        bool streaming = false;
        while (!ended_) {
            // Items waiting for a free place start as soon as one frees: no nap then.
            const bool napping = streaming && (waiting_.empty() || HasRoom());
            control_.Receive(inbox_, NextWake(), napping ? kStreamingNap : kNoNap);
            streaming = !inbox_.empty();
            // A message leaves the inbox only once handled, so an error leaves nothing unowned.
            while (!inbox_.empty()) {
                Handle(inbox_.front());
                inbox_.pop_front();
            }
            Schedule();
            if (stopping_ && (waiting_.empty() || SteadyClock::now() >= stopDeadline_)) {
                CancelAll();
                ended_ = true;
            }
        }
        control_.Close();
    } catch (const std::exception& error) {
        EndWithError(error.what());
    } catch (...) {
        EndWithError({});
    }
}

void TOrlTPThread::Handle(const ControlMessage& message) {
    switch (message.kind) {
        case ControlMessage::Kind::AddItem:
            if (stopping_) {
                FinishUnrun(message.item, WorkItemStatus::PostTimedOut, {});
            } else {
                Admit(message.item);
            }
            return;
        case ControlMessage::Kind::ItemDone:
            ItemDone(message.item);
            return;
        case ControlMessage::Kind::PlaceFreed:
            // The pass that follows every batch of messages starts the next waiting item.
            return;
        case ControlMessage::Kind::SetMaxPooled:
            maxPooled_ = message.value;
            workers_.SetCeiling(maxPooled_ > 0 ? static_cast<std::size_t>(maxPooled_) : 0);
            return;
        case ControlMessage::Kind::SetMaxQueuedTime:
            maxQueuedTime_ = message.value;
            return;
        case ControlMessage::Kind::SetMaxQueueLength:
            maxQueueLength_ = message.value;
            return;
        case ControlMessage::Kind::SetMaxWaitOnTerminate:
            maxWaitOnTerminate_ = message.value;
            return;
        case ControlMessage::Kind::CancelAll:
            CancelAll();
            return;
        case ControlMessage::Kind::Stop:
            BeginStopping();
            return;
    }
    throw std::runtime_error("Unknown message on the thread queue.");
}

void TOrlTPThread::Admit(TOrlTPWorkItem* item) {
    if (maxQueueLength_ > 0 && waiting_.size() >= static_cast<std::size_t>(maxQueueLength_)) {
        FinishUnrun(item, WorkItemStatus::Rejected, std::string(kQueueTooLong));
        return;
    }
    waiting_.push_back(item);
    ++counters_.queued;
}

void TOrlTPThread::Schedule() {
    for (;;) {
        if (waiting_.empty()) {
            return;
        }
        if (HasRoom()) {
            StartHead();
            continue;
        }
        // Only the oldest is looked at; the younger ones expire in later passes.
        if (maxQueuedTime_ <= 0) {
            return;
        }
        TOrlTPWorkItem* head = waiting_.front();
        if (SteadyClock::now() < head->waitingSince_ + std::chrono::seconds(maxQueuedTime_)) {
            return;
        }
        waiting_.pop_front();
        --counters_.queued;
        FinishUnrun(head, WorkItemStatus::Rejected, std::string(kWaitedTooLong));
    }
}

void TOrlTPThread::StartHead() {
    TOrlTPWorkItem* item = waiting_.front();
    waiting_.pop_front();
    --counters_.queued;
    {
        std::lock_guard lock(counters_.pooledLock);
        ++counters_.pooled;
    }
    const auto takeBack = [this, item] {
        started_.erase(item);
        std::lock_guard lock(counters_.pooledLock);
        --counters_.pooled;
    };
    try {
        started_.insert(item);
        PoolRunEnd& runEnd = runEnd_;
        workers_.Hand([item, &runEnd] { runEnd.Run(item); });
    } catch (const std::system_error& error) {
        takeBack();
        FinishUnrun(item, WorkItemStatus::StartFailed, error.code().message());
    } catch (...) {
        takeBack();
        waiting_.push_front(item);
        ++counters_.queued;
        throw;
    }
}

void TOrlTPThread::ItemDone(TOrlTPWorkItem* item) {
    started_.erase(item);
    if (item->cancelled_.load(std::memory_order_relaxed)) {
        item->Finish(WorkItemStatus::Cancelled, {});
    }
    Finish(item);
}

void TOrlTPThread::CancelAll() {
    // Running items are not interrupted; they end as cancelled when they come back.
    for (TOrlTPWorkItem* item : started_) {
        item->cancelled_.store(true, std::memory_order_release);
    }
    while (!waiting_.empty()) {
        TOrlTPWorkItem* item = waiting_.back();
        waiting_.pop_back();
        --counters_.queued;
        FinishUnrun(item, WorkItemStatus::Cancelled, {});
    }
}

void TOrlTPThread::BeginStopping() {
    stopping_ = true;
    stopDeadline_ = SteadyClock::now() + std::chrono::seconds(std::max(maxWaitOnTerminate_, 0));
}

void TOrlTPThread::FinishUnrun(TOrlTPWorkItem* item, WorkItemStatus status, std::string message) {
    item->Finish(status, std::move(message));
    Finish(item);
}

void TOrlTPThread::Finish(TOrlTPWorkItem* item) {
    if (!delivery_.PostItemDone(item)) {
        delete item;
    }
}

void TOrlTPThread::EndWithError(std::string text) {
    ended_ = true;
    // Closed first: once the owner hears of the error, queueing fails at once.
    control_.Close();
    try {
        delivery_.PostError(-1, std::move(text));
    } catch (...) {
        // Nothing is left to report it with.
    }
}

bool TOrlTPThread::HasRoom() const {
    return maxPooled_ <= 0 || counters_.pooled.load() < maxPooled_;
}

std::optional<TOrlTPThread::SteadyClock::time_point> TOrlTPThread::NextWake() const {
    std::optional<SteadyClock::time_point> wake;
    if (!waiting_.empty() && !HasRoom() && maxQueuedTime_ > 0) {
        wake = waiting_.front()->waitingSince_ + std::chrono::seconds(maxQueuedTime_);
    }
    if (stopping_) {
        wake = wake ? std::min(*wake, stopDeadline_) : stopDeadline_;
    }
    return wake;
}

}  // namespace trevalon
