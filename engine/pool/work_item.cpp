#include "engine/pool/work_item.h"

#include <exception>
#include <utility>

namespace trevalon {

std::string_view WorkItemStatusText(WorkItemStatus status) {
    switch (status) {
        case WorkItemStatus::Completed:
            return "Completed.";
        case WorkItemStatus::PostTimedOut:
            return "Timed out waiting on thread queue.";
        case WorkItemStatus::ControlQueueFull:
            return "Thread queue is full.";
        case WorkItemStatus::ExecuteRaised:
            return "Work item raised an exception.";
        case WorkItemStatus::StartFailed:
            return "QueueUserWorkItem failed.";
        case WorkItemStatus::Cancelled:
            return "Work item was canceled.";
        case WorkItemStatus::Rejected:
            return "Server is busy.";
        case WorkItemStatus::PostFailed:
            break;
    }
    return "Unknown error has occured.";
}

TOrlTPWorkItem::~TOrlTPWorkItem() = default;

void TOrlTPWorkItem::Execute() {}

bool TOrlTPWorkItem::RunExecute(WorkItemRunEnd* end) {
    Finish(WorkItemStatus::Completed, {});
    // On the worker's stack: once deferred, the item may already be gone when Execute returns.
    bool deferred = false;
    runEnd_ = end;
    deferred_ = &deferred;
    try {
        Execute();
    } catch (const std::exception& error) {
        if (!deferred) {
            Finish(WorkItemStatus::ExecuteRaised, error.what());
        }
    } catch (...) {
        if (!deferred) {
            Finish(WorkItemStatus::ExecuteRaised, {});
        }
    }
    if (!deferred) {
        runEnd_ = nullptr;
        deferred_ = nullptr;
    }
    return deferred;
}

WorkItemCompletion TOrlTPWorkItem::DeferCompletion() {
    if (runEnd_ == nullptr || deferred_ == nullptr || *deferred_) {
        return {};
    }
    *deferred_ = true;
    WorkItemRunEnd* end = runEnd_;
    runEnd_ = nullptr;
    deferred_ = nullptr;
    return WorkItemCompletion(this, end);
}

WorkItemCompletion::WorkItemCompletion(WorkItemCompletion&& other) noexcept
    : item_(std::exchange(other.item_, nullptr)),
      end_(std::exchange(other.end_, nullptr)),
      placeFreed_(std::exchange(other.placeFreed_, false)) {}

WorkItemCompletion& WorkItemCompletion::operator=(WorkItemCompletion&& other) noexcept {
    if (this != &other) {
        Complete();
        item_ = std::exchange(other.item_, nullptr);
        end_ = std::exchange(other.end_, nullptr);
        placeFreed_ = std::exchange(other.placeFreed_, false);
    }
    return *this;
}

WorkItemCompletion::~WorkItemCompletion() {
    Complete();
}

void WorkItemCompletion::FreePlace() noexcept {
    if (item_ != nullptr && !placeFreed_) {
        placeFreed_ = true;
        end_->FreeDeferredPlace();
    }
}

void WorkItemCompletion::Complete() noexcept {
    if (item_ != nullptr) {
        std::exchange(end_, nullptr)
            ->EndDeferredRun(std::exchange(item_, nullptr), std::exchange(placeFreed_, false));
    }
}

void TOrlTPWorkItem::Finish(WorkItemStatus status, std::string message) {
    status_ = status;
    statusMessage_ = std::move(message);
}

}  // namespace trevalon
