#include "engine/alarms/work_item.h"

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

void TOrlTPWorkItem::RunExecute() {
    Finish(WorkItemStatus::Completed, {});
    try {
        Execute();
    } catch (const std::exception& error) {
        Finish(WorkItemStatus::ExecuteRaised, error.what());
    } catch (...) {
        Finish(WorkItemStatus::ExecuteRaised, {});
    }
}

void TOrlTPWorkItem::Finish(WorkItemStatus status, std::string message) {
    status_ = status;
    statusMessage_ = std::move(message);
}

}  // namespace trevalon
