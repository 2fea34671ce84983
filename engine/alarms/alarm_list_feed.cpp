#include "engine/alarms/alarm_list_feed.h"

#include <exception>
#include <utility>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"

namespace trevalon {

AlarmListFeed::AlarmListFeed(OwnerLoop& owner, EngineObserver* observer)
    : owner_(owner), observer_(observer) {}

void AlarmListFeed::ExpectRow(DeliveryWorkItem& item) const {
    item.rowAnnounced_ = WantsRows();
}

void AlarmListFeed::AddRow(std::int32_t id, std::string timeStamp, std::string text,
                           std::string method, std::string recipients) {
    if (!WantsRows()) {
        return;
    }
    owner_.Post([feed = shared_from_this(), id, timeStamp = std::move(timeStamp),
                 text = std::move(text), method = std::move(method),
                 recipients = std::move(recipients)] {
        feed->AddRowHere(id, timeStamp, text, method, recipients);
    });
}

void AlarmListFeed::AddRowHere(std::int32_t id, const std::string& timeStamp,
                               const std::string& text, const std::string& method,
                               const std::string& recipients) {
    try {
        observer_->AlarmQueued(id, timeStamp, text, method, recipients);
    } catch (const std::exception& error) {
        const std::string line = WithErrorText(catalogue::kPlaceManagerDispatch, error.what());
        WriteDiagnostic(line, kLevelError);
        ShowHere(line);
    } catch (...) {
        const std::string line = WithErrorText(catalogue::kPlaceManagerDispatch, {});
        WriteDiagnostic(line, kLevelError);
        ShowHere(line);
    }
    const auto held = heldBack_.find(id);
    if (held == heldBack_.end()) {
        rowsAdded_.insert(id);
        return;
    }
    const std::string resultText = std::move(held->second);
    heldBack_.erase(held);
    try {
        observer_->AlarmFinished(id, resultText);
    } catch (...) {
        WriteDiagnostic(catalogue::kReceivingThreadError, kLevelError);
    }
}

void AlarmListFeed::Finished(const DeliveryWorkItem& item, std::string resultText) {
    if (item.rowAnnounced_ && rowsAdded_.erase(item.ID()) == 0) {
        heldBack_.emplace(item.ID(), std::move(resultText));
        return;
    }
    if (observer_ != nullptr) {
        observer_->AlarmFinished(item.ID(), resultText);
    }
}

void AlarmListFeed::Show(std::string text) {
    if (observer_ != nullptr) {
        owner_.Post([feed = shared_from_this(), text = std::move(text)] { feed->ShowHere(text); });
    }
}

void AlarmListFeed::ShowHere(const std::string& text) {
    try {
        observer_->ErrorCaught(text);
    } catch (...) {
        // The error is in the log already; a dialog that cannot be shown changes nothing.
    }
}

}  // namespace trevalon
