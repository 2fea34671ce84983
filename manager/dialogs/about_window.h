#pragma once

// "About...": the banner, the vendor's copyright notice and licence terms.

#include "manager/dialogs/manager_dialog.h"

class QPlainTextEdit;

namespace trevalon {

class AboutWindow final : public ManagerDialog {
  public:
    explicit AboutWindow(MainWindow& window);

    const QPlainTextEdit& Notice() const { return *notice_; }

  private:
    QPlainTextEdit* notice_;
};

}  // namespace trevalon
