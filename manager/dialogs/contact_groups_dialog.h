#pragma once

// TFormContactGroupsSettings, "Contact Groups Options": named groups of contact persons (tables
// contact_group and contact_person_group), a convenience of the filtering rules dialog, which
// expands a group into its members when a rule is saved.

#include <cstdint>

#include "manager/dialogs/manager_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace trevalon {

class ContactGroupPicker;
class SyslogEngine;

class ContactGroupsDialog final : public ManagerDialog {
  public:
    ContactGroupsDialog(MainWindow& window, SyslogEngine& engine);

    QLineEdit& GroupName() { return *name_; }
    QListWidget& Available() { return *available_; }
    QListWidget& Selected() { return *selected_; }
    QPushButton& Button(const QString& text);
    // Null until "....." first opened it.
    ContactGroupPicker* Picker() { return picker_; }
    QStatusBar& Status() { return StatusBar(); }

  private:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Identifier 0, the name empty, nobody selected, everybody available.
    void Clear();
    void NewMode();
    void Move(QListWidget& from, QListWidget& to, bool all);
    void FollowLists();
    void OpenPicker();
    bool Load(std::int64_t id, const QString& name);
    void Save();
    void Delete();

    SyslogEngine& engine_;
    QLineEdit* name_ = nullptr;
    QListWidget* available_ = nullptr;
    QListWidget* selected_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* delete_ = nullptr;
    ContactGroupPicker* picker_ = nullptr;
    // The group being edited; 0 for a new one.
    std::int64_t id_ = 0;
};

}  // namespace trevalon
