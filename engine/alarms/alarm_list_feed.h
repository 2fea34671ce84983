#pragma once

// The alarm rows of the host's list, brought to it on the owner thread in an order it can
// follow.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/pool/delivery_work_item.h"
#include "foundation/engine_observer.h"
#include "foundation/owner_loop.h"

namespace trevalon {

// Brings the alarm rows to the observer on the owner thread in an order a list can follow: a
// delivery can finish before the thread that queued it has announced its row, so such a status
// is held back until its row has been added. Without an observer it does nothing.
class AlarmListFeed : public std::enable_shared_from_this<AlarmListFeed> {
  public:
    // `observer`, when given, must outlive the feed.
    AlarmListFeed(OwnerLoop& owner, EngineObserver* observer);

    bool WantsRows() const { return observer_ != nullptr; }

    // Any thread, before the item is queued: a row for it will follow.
    void ExpectRow(DeliveryWorkItem& item) const;
    // Any thread, after queueing: adds the row on the owner thread. An error of the observer is
    // logged with the manager's dispatcher code and shown.
    void AddRow(std::int32_t id, std::string timeStamp, std::string text, std::string method,
                std::string recipients);
    // Owner thread: the status of a finished alarm delivery.
    void Finished(const DeliveryWorkItem& item, std::string resultText);
    // Any thread: shows `text` on the owner thread when there is an observer.
    void Show(std::string text);

  private:
    void AddRowHere(std::int32_t id, const std::string& timeStamp, const std::string& text,
                    const std::string& method, const std::string& recipients);
    void ShowHere(const std::string& text);

    OwnerLoop& owner_;
    EngineObserver* const observer_;

    // Owner thread only.
    std::set<std::int32_t> rowsAdded_;
    std::map<std::int32_t, std::string> heldBack_;
};

}  // namespace trevalon
