#pragma once

// TFormContactGroupsSettingsSelect, "Contact Group": the stored groups, one of which a double
// click hands to the groups dialog for editing.

#include <QDialog>

#include <cstdint>
#include <functional>

#include "manager/live_lists/list_rows_model.h"

class QTreeView;

namespace trevalon {

class SyslogEngine;

class ContactGroupPicker final : public QDialog {
  public:
    // `picked` gets the group's identifier and name; false when it could not load it.
    using Picked = std::function<bool(std::int64_t id, const QString& name)>;
    // `reportFailure` shows and logs a database failure with its code.
    using ReportFailure = std::function<void(const char* code, const std::exception& error)>;

    ContactGroupPicker(QWidget& owner, SyslogEngine& engine, Picked picked,
                       ReportFailure reportFailure);

    QTreeView& List() { return *list_; }
    ListRowsModel& Groups() { return groups_; }

  private:
    void showEvent(QShowEvent* event) override;

    SyslogEngine& engine_;
    Picked picked_;
    ReportFailure reportFailure_;
    ListRowsModel groups_;
    QTreeView* list_;
};

}  // namespace trevalon
