#pragma once

// How finished items and error reports get from the pool to its owner thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/pool/pool_response_channel.h"
#include "foundation/owner_loop.h"

namespace trevalon {

class TOrlThreadPoolManager;
class TOrlTPWorkItem;

using WorkItemDoneHandler = std::function<void(TOrlThreadPoolManager& pool, TOrlTPWorkItem& item)>;
using PoolErrorHandler =
    std::function<void(TOrlThreadPoolManager& pool, int code, const std::string& text)>;

// The owner's end of the response channel: wakes the owner loop and, there, hands each message
// to its handler in channel order, one at a time; a finished item is destroyed after its handler.
// Tasks posted to the loop keep this alive after the pool is gone, so it is shared.
class PoolDelivery : public std::enable_shared_from_this<PoolDelivery> {
  public:
    PoolDelivery(OwnerLoop& owner, TOrlThreadPoolManager& pool);

    // Any thread. False once released; the item then still belongs to the caller.
    bool PostItemDone(TOrlTPWorkItem* item);
    bool PostError(std::int32_t code, std::string text);

    // Owner thread.
    void SetOnWorkItemDone(WorkItemDoneHandler handler);
    void SetOnPoolError(PoolErrorHandler handler);

    // Owner thread, when the pool goes: nothing more is delivered, finished items that are
    // still waiting for the owner are destroyed.
    void Release();

  private:
    bool Post(ResponseMessage message);
    void WakeOwner();
    void Drain();
    void Deliver(ResponseMessage& message);

    OwnerLoop& owner_;
    PoolResponseChannel channel_;

    // Owner thread only.
    TOrlThreadPoolManager* pool_;
    WorkItemDoneHandler onWorkItemDone_;
    PoolErrorHandler onPoolError_;
    bool delivering_ = false;
};

}  // namespace trevalon
