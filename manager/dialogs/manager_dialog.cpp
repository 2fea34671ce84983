#include "manager/dialogs/manager_dialog.h"

#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>

#include "foundation/diagnostic_log.h"
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

QStatusBar& ManagerDialog::StatusBar() {
    if (statusBar_ == nullptr) {
        statusBar_ = new QStatusBar(this);
        statusBar_->setSizeGripEnabled(false);
    }
    return *statusBar_;
}

void ManagerDialog::Say(const QString& text) {
    window_.SetStatus(text);
    StatusBar().showMessage(text);
}

void ManagerDialog::Inform(const QString& text, QWidget& field) {
    auto* box =
        new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    field.setFocus();
}

void ManagerDialog::ReportFailure(const char* code, const std::exception& error) {
    ReportError(std::string(code) + " : " + error.what());
}

void ManagerDialog::ReportError(const std::string& text) {
    WriteDiagnostic(text, kLevelError);
    auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), QString::fromStdString(text),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace trevalon
