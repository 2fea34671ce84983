#pragma once

// What every dialog of the manager shares: it is modeless, on top and centred on the screen,
// opening it disables the main window's menu and tool buttons, and closing it gives them back
// as they were.

#include <QDialog>

#include <exception>
#include <string>

class QStatusBar;

namespace trevalon {

class MainWindow;

class ManagerDialog : public QDialog {
  public:
    ManagerDialog(MainWindow& window, const QString& caption);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    MainWindow& Window() { return window_; }

    // The dialog's own one-panel status bar, made on first use; the dialog places it.
    QStatusBar& StatusBar();
    // `text` in the main window's status bar and in the dialog's own.
    void Say(const QString& text);
    // A check that failed: an information box, and the focus on the field to mend.
    void Inform(const QString& text, QWidget& field);
    // A database failure: "<code> : <the error>" in an error box and in the log at ERROR.
    void ReportFailure(const char* code, const std::exception& error);
    // `text` in an error box and in the log at ERROR.
    void ReportError(const std::string& text);

  private:
    MainWindow& window_;
    QStatusBar* statusBar_ = nullptr;
};

}  // namespace trevalon
