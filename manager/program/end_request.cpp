#include "manager/program/end_request.h"

namespace trevalon {

void EndRequest::Request() {
    std::lock_guard lock(mutex_);
    requested_ = true;
    if (handler_) {
        handler_();
    }
}

void EndRequest::SetHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    if (requested_ && handler_) {
        handler_();
    }
}

}  // namespace trevalon
