#pragma once

// What the engine tells the manager, brought to the two live lists: messages through the
// bounded hand-over (receiver threads never wait for the window), alarm rows directly (they
// arrive on the window's thread).

#include <QStringList>

#include <functional>
#include <string>

#include "foundation/engine_observer.h"
#include "manager/live_lists/alarm_list_model.h"
#include "manager/live_lists/live_message_model.h"
#include "manager/live_lists/row_hand_over.h"

namespace trevalon {

class LiveListFeed final : public EngineObserver {
  public:
    // What the window does beyond the lists; each runs on the window's thread.
    struct WindowHooks {
        std::function<void(const std::string& text)> showError;
        std::function<void(bool running)> receptionSwitched;
        std::function<void()> settingsPublished;
    };

    LiveListFeed(LiveMessageModel& messages, AlarmListModel& alarms, WindowHooks hooks);

    // The row cap of both lists, from ShowLogItem; until then the ceiling.
    void SetShowLogItem(int showLogItem);
    // The window's thread: the waiting messages go into their list, newest on top.
    void Drain();

    void MessageAccepted(const SyslogRecord& record) override;
    void AlarmQueued(std::int32_t id, const std::string& timeStamp, const std::string& text,
                     const std::string& method, const std::string& recipients) override;
    void AlarmFinished(std::int32_t id, const std::string& resultText) override;
    void ErrorCaught(const std::string& text) override;
    void ReceptionSwitched(bool running) override;
    void SettingsPublished() override;

  private:
    LiveMessageModel& messages_;
    AlarmListModel& alarms_;
    WindowHooks hooks_;
    RowHandOver<QStringList> waiting_;
};

}  // namespace trevalon
