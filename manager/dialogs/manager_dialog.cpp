#include "manager/dialogs/manager_dialog.h"

#include "manager/main_window/main_window.h"

namespace trevalon {

ManagerDialog::ManagerDialog(MainWindow& window, const QString& caption)
    : QDialog(&window), window_(window) {
    setWindowTitle(caption);
    setModal(false);
}

void ManagerDialog::showEvent(QShowEvent* event) {
    window_.EnableMainControls(false);
    QDialog::showEvent(event);
}

void ManagerDialog::closeEvent(QCloseEvent* event) {
    window_.EnableMainControls(true);
    QDialog::closeEvent(event);
}

}  // namespace trevalon
