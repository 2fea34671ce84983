#include "engine/pool/pool_delivery.h"

#include <utility>

#include "engine/pool/work_item.h"

namespace trevalon {

PoolDelivery::PoolDelivery(OwnerLoop& owner, TOrlThreadPoolManager& pool)
    : owner_(owner), pool_(&pool) {}

bool PoolDelivery::PostItemDone(TOrlTPWorkItem* item) {
    return Post(ResponseMessage{ResponseMessage::Kind::ItemDone, 0, item, {}});
}

bool PoolDelivery::PostError(std::int32_t code, std::string text) {
    return Post(ResponseMessage{ResponseMessage::Kind::Error, code, nullptr, std::move(text)});
}

void PoolDelivery::SetOnWorkItemDone(WorkItemDoneHandler handler) {
    onWorkItemDone_ = std::move(handler);
}

void PoolDelivery::SetOnPoolError(PoolErrorHandler handler) {
    onPoolError_ = std::move(handler);
}

void PoolDelivery::Release() {
    pool_ = nullptr;
    for (ResponseMessage& message : channel_.Close()) {
        delete message.item;
    }
}

bool PoolDelivery::Post(ResponseMessage message) {
    switch (channel_.Post(std::move(message))) {
        case PoolResponseChannel::PostResult::Posted:
            return true;
        case PoolResponseChannel::PostResult::PostedWakeOwner:
            WakeOwner();
            return true;
        case PoolResponseChannel::PostResult::Closed:
            break;
    }
    return false;
}

void PoolDelivery::WakeOwner() {
    owner_.Post([self = shared_from_this()] { self->Drain(); });
}

void PoolDelivery::Drain() {
    // A handler that runs a nested loop must not see later messages overtake its own: the
    // outer drain goes on with them once the handler has returned.
    if (delivering_ || pool_ == nullptr) {
        return;
    }
    delivering_ = true;
    try {
        while (pool_ != nullptr) {
            std::optional<ResponseMessage> message = channel_.Take();
            if (!message) {
                break;
            }
            Deliver(*message);
        }
    } catch (...) {
        // The messages behind the one whose handler raised get a drain of their own.
        delivering_ = false;
        WakeOwner();
        throw;
    }
    delivering_ = false;
}

void PoolDelivery::Deliver(ResponseMessage& message) {
    if (message.kind == ResponseMessage::Kind::ItemDone) {
        const std::unique_ptr<TOrlTPWorkItem> item(message.item);
        if (onWorkItemDone_) {
            onWorkItemDone_(*pool_, *item);
        }
    } else if (onPoolError_) {
        onPoolError_(*pool_, message.code, message.text);
    }
}

}  // namespace trevalon
