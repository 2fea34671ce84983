#include "manager/live_lists/live_list_feed.h"

namespace trevalon {

LiveListFeed::LiveListFeed(LiveMessageModel& messages, AlarmListModel& alarms, WindowHooks hooks)
    : messages_(messages), alarms_(alarms), hooks_(std::move(hooks)), waiting_(kLiveListCeiling) {}

void LiveListFeed::SetShowLogItem(int showLogItem) {
    const std::size_t cap = LiveListCap(showLogItem);
    waiting_.SetCapacity(cap);
    messages_.SetCap(cap);
    alarms_.SetCap(cap);
}

void LiveListFeed::Drain() {
    messages_.AddOnTop(waiting_.TakeAll());
}

void LiveListFeed::MessageAccepted(const SyslogRecord& record) {
    waiting_.Put(LiveMessageModel::RowOf(record));
}

void LiveListFeed::AlarmQueued(std::int32_t id, const std::string& timeStamp,
                               const std::string& text, const std::string& method,
                               const std::string& recipients) {
    alarms_.AddAlarmRow(id, timeStamp, text, method, recipients);
}

void LiveListFeed::AlarmFinished(std::int32_t id, const std::string& resultText) {
    alarms_.AlarmFinished(id, resultText);
}

void LiveListFeed::ReceptionSwitched(bool running) {
    if (hooks_.receptionSwitched) {
        hooks_.receptionSwitched(running);
    }
}

void LiveListFeed::SettingsPublished() {
    if (hooks_.settingsPublished) {
        hooks_.settingsPublished();
    }
}

void LiveListFeed::ErrorCaught(const std::string& text) {
    if (hooks_.showError) {
        hooks_.showError(text);
    }
}

}  // namespace trevalon
