#include "manager/dialogs/manager_dialog.h"

#include <QScreen>
#include <QShowEvent>

#include "manager/main_window/main_window.h"

namespace trevalon {

ManagerDialog::ManagerDialog(MainWindow& window, const QString& caption)
    : QDialog(&window), window_(window) {
    setWindowTitle(caption);
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

void ManagerDialog::showEvent(QShowEvent* event) {
    window_.EnableMainControls(false);
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen(); screen != nullptr && !event->spontaneous()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void ManagerDialog::closeEvent(QCloseEvent* event) {
    window_.EnableMainControls(true);
    QDialog::closeEvent(event);
}

}  // namespace trevalon
