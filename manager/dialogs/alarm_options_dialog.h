#pragma once

// TFormAlarmingSettingsPro, "Alarming Options": the six alarm methods (table alarm_method, and
// alarm_method_extra_fields for the HTTP gateway's form), each with a test message sent with
// the values on screen, unsaved. Saving hands the methods to the engine running in this process.

#include <array>
#include <memory>
#include <string>
#include <thread>

#include "engine/snmp/snmp_trap_agent.h"
#include "manager/dialogs/alarm_method_page.h"
#include "manager/dialogs/manager_dialog.h"

namespace Ui {
class AlarmOptionsDialog;
}

namespace trevalon {

class SyslogEngine;
struct AlarmTestOrder;

class AlarmOptionsDialog final : public ManagerDialog {
  public:
    AlarmOptionsDialog(MainWindow& window, SyslogEngine& engine);
    // Waits for a test still under way.
    ~AlarmOptionsDialog() override;

    Ui::AlarmOptionsDialog& Form() { return *form_; }
    QStatusBar& Status() { return StatusBar(); }
    // Whether a test message is under way.
    bool Testing() const { return testing_; }

  private:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Load();
    void LoadExtraFields();
    void FollowEnabling();
    void FollowSnmpVersion();
    void AddExtraField();
    void RemoveExtraField();
    // Every enabled page from `first` to `last` in page order; the first failure is shown.
    bool Valid(int first, int last);
    void Save();
    void WriteMethod(const MethodPage& page);
    void WriteExtraFields();
    void Test();
    bool TestInputsGiven(AlarmMethod method);
    AlarmTestOrder TypedTest(AlarmMethod method) const;

    SyslogEngine& engine_;
    std::unique_ptr<Ui::AlarmOptionsDialog> form_;
    std::array<MethodPage, kAlarmMethodCount> pages_;
    // The SNMP test's own agent, apart from the engine's.
    SnmpTrapAgent agent_;
    bool testing_ = false;
    // Declared last: the test ends before anything it uses goes.
    std::jthread test_;
};

}  // namespace trevalon
