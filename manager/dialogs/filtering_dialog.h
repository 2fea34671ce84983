#pragma once

// TFormFiltering, "Filtering Options": the filtering rules that decide which messages raise
// alarms, by which methods and to whom (tables filtering and filtering_contact). Every save or
// delete hands the new rules to the engine running in this process at once.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "manager/dialogs/dialog_statements.h"
#include "manager/dialogs/manager_dialog.h"
#include "manager/live_lists/list_rows_model.h"
#include "platform/icmp_ping.h"

class QListWidget;

namespace Ui {
class FilteringDialog;
}

namespace trevalon {

class DatabaseConnection;
class SyslogEngine;

class FilteringDialog final : public ManagerDialog {
  public:
    // One ICMP echo with the dialog's time-out; runs off the window thread.
    using Pinger = std::function<platform::PingResult(const std::string& host)>;

    FilteringDialog(MainWindow& window, SyslogEngine& engine, Pinger pinger);
    ~FilteringDialog() override;

    Ui::FilteringDialog& Form() { return *form_; }
    ListRowsModel& Rules() { return rules_; }
    QStatusBar& Status() { return StatusBar(); }
    // Whether a ping is under way.
    bool Pinging() const { return pinging_; }

  private:
    void showEvent(QShowEvent* event) override;
    void ClearFields();
    void NewMode();
    void RefillContacts();
    void RefillRules();
    void FollowMethods();
    void FollowVersion();
    void Load();
    bool Valid();
    // Runs the ping test off the window thread; `then` gets whether it passed.
    void TestSource(std::function<void(bool passed)> then);
    void ShowPing(const platform::PingResult& result, const std::function<void(bool)>& then);
    void Save();
    void SaveChecked();
    void WriteContacts(DatabaseConnection& connection, std::int64_t ruleId);
    void Delete();
    dialog_statements::RuleFields Typed() const;

    SyslogEngine& engine_;
    Pinger pinger_;
    std::unique_ptr<Ui::FilteringDialog> form_;
    ListRowsModel rules_;
    // The rule being edited; 0 for a new one.
    std::int64_t id_ = 0;
    bool pinging_ = false;
    // Ascending next, per column of the rule list.
    std::array<bool, 7> ascending_{true, true, true, true, true, true, true};
    std::jthread ping_;
};

}  // namespace trevalon
