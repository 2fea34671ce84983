#pragma once

// TFormContactSettings, "Contacts Options": the contact persons the filtering rules send their
// alarms to (table contact_person), created, changed and deleted.

#include <array>
#include <cstdint>

#include "manager/dialogs/dialog_statements.h"
#include "manager/dialogs/manager_dialog.h"
#include "manager/live_lists/list_rows_model.h"

class QLineEdit;
class QPushButton;
class QTreeView;

namespace trevalon {

class SyslogEngine;

class ContactsDialog final : public ManagerDialog {
  public:
    ContactsDialog(MainWindow& window, SyslogEngine& engine);

    // Person Name, Details, Email Address, SMS Number, Pager ID.
    QLineEdit& Field(int at) { return *fields_[static_cast<std::size_t>(at)]; }
    QPushButton& SaveButton() { return *save_; }
    QPushButton& DeleteButton() { return *delete_; }
    QTreeView& List() { return *list_; }
    ListRowsModel& Persons() { return persons_; }
    QStatusBar& Status() { return StatusBar(); }

  private:
    void showEvent(QShowEvent* event) override;
    void ClearFields();
    void Refill();
    void Edit();
    void Save();
    void Delete();
    dialog_statements::PersonFields Typed() const;

    SyslogEngine& engine_;
    ListRowsModel persons_;
    std::array<QLineEdit*, 5> fields_{};
    QPushButton* save_ = nullptr;
    QPushButton* delete_ = nullptr;
    QTreeView* list_ = nullptr;
    // The person being edited; 0 for a new one.
    std::int64_t id_ = 0;
};

}  // namespace trevalon
