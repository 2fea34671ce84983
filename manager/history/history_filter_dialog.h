#pragma once

// "Filtering SysLog History": the time range, source, facility and severity the history window
// shows. It stays open after filtering, so that the filter can be changed again.

#include <QDialog>

#include <functional>

#include "manager/history/history_statements.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace trevalon {

class HistoryFilterDialog final : public QDialog {
  public:
    using Apply = std::function<void(const history_statements::HistoryFilter& filter)>;

    HistoryFilterDialog(QWidget& parent, Apply apply);

    // "Filtering" (and Enter anywhere): the five values as shown, times only when ticked.
    history_statements::HistoryFilter Filter() const;

    QCheckBox& FromTicked() { return *fromTicked_; }
    QDateEdit& FromDate() { return *fromDate_; }
    QTimeEdit& FromTime() { return *fromTime_; }
    QCheckBox& ToTicked() { return *toTicked_; }
    QDateEdit& ToDate() { return *toDate_; }
    QTimeEdit& ToTime() { return *toTime_; }
    QLineEdit& Source() { return *source_; }
    QComboBox& Facility() { return *facility_; }
    QComboBox& Severity() { return *severity_; }
    QPushButton& FilteringButton() { return *filtering_; }

  private:
    void showEvent(QShowEvent* event) override;

    Apply apply_;
    QCheckBox* fromTicked_;
    QDateEdit* fromDate_;
    QTimeEdit* fromTime_;
    QCheckBox* toTicked_;
    QDateEdit* toDate_;
    QTimeEdit* toTime_;
    QLineEdit* source_;
    QComboBox* facility_;
    QComboBox* severity_;
    QPushButton* filtering_;
};

}  // namespace trevalon
