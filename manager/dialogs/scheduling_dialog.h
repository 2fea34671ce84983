#pragma once

// TFormScheduling, "Scheduling": the weekly reception schedule, one switch per hour and weekday,
// kept in the 24 rows of table scheduling. The schedule checks read the table each minute, so
// the dialog only writes it.

#include <array>

#include "manager/dialogs/dialog_statements.h"
#include "manager/dialogs/manager_dialog.h"

class QCheckBox;
class QPushButton;

namespace trevalon {

class SyslogEngine;

class SchedulingDialog final : public ManagerDialog {
  public:
    SchedulingDialog(MainWindow& window, SyslogEngine& engine);

    QCheckBox& Cell(int day, int hour) { return *cells_[hour][day]; }
    QCheckBox& DaySwitch(int day) { return *days_[day]; }
    QCheckBox& HourSwitch(int hour) { return *hours_[hour]; }
    QPushButton& ApplyButton() { return *apply_; }
    QStatusBar& Status() { return StatusBar(); }

  private:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Load();
    void Apply();
    void SetAll(bool ticked);

    SyslogEngine& engine_;
    std::array<std::array<QCheckBox*, dialog_statements::kDays>, dialog_statements::kHours>
        cells_{};
    std::array<QCheckBox*, dialog_statements::kDays> days_{};
    std::array<QCheckBox*, dialog_statements::kHours> hours_{};
    QPushButton* apply_ = nullptr;
};

}  // namespace trevalon
