#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/pool/delivery_work_item.h"
#include "foundation/owner_loop.h"

namespace trevalon {

// The manager's alarm list as the dispatcher feeds it. The service leaves every hook empty.
// Each hook runs on the owner thread.
struct AlarmListHooks {
    // After a delivery was queued: its work-item ID, the job's TimeStamp, Text and Method, and
    // the recipients to show.
    std::function<void(std::int32_t id, const std::string& timeStamp, const std::string& text,
                       const std::string& method, const std::string& recipients)>
        AddAlarmRow;
    // When a delivery finished: its ID and the status to show, its ResultText, or "Error" for a
    // failed item that the pool did not complete.
    std::function<void(std::int32_t id, const std::string& resultText)> AlarmFinished;
    // A logged error the operator should also see in a dialog.
    std::function<void(const std::string& text)> ShowError;
};

// Brings the hooks' calls to the owner thread in an order the list can follow: a delivery can
// finish before the thread that queued it has announced its row, so such a status is held
// back until its row has been added.
class AlarmListFeed : public std::enable_shared_from_this<AlarmListFeed> {
  public:
    AlarmListFeed(OwnerLoop& owner, AlarmListHooks hooks);

    bool WantsRows() const { return static_cast<bool>(hooks_.AddAlarmRow); }

    // Any thread, before the item is queued: a row for it will follow.
    void ExpectRow(DeliveryWorkItem& item) const;
    // Any thread, after queueing: adds the row on the owner thread. An error of the hook is
    // logged with the manager's dispatcher code and shown.
    void AddRow(std::int32_t id, std::string timeStamp, std::string text, std::string method,
                std::string recipients);
    // Owner thread: the status of a finished alarm delivery.
    void Finished(const DeliveryWorkItem& item, std::string resultText);
    // Any thread: shows `text` on the owner thread when the program shows errors.
    void Show(std::string text);

  private:
    void AddRowHere(std::int32_t id, const std::string& timeStamp, const std::string& text,
                    const std::string& method, const std::string& recipients);
    void ShowHere(const std::string& text);

    OwnerLoop& owner_;
    const AlarmListHooks hooks_;

    // Owner thread only.
    std::set<std::int32_t> rowsAdded_;
    std::map<std::int32_t, std::string> heldBack_;
};

}  // namespace trevalon
