#pragma once

// What the GUI tests share: one offscreen application, waiting for a state, screenshots.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QString>

class QApplication;
class QWidget;

namespace trevalon::testing {

// The process's application on the offscreen platform, made on first use.
QApplication& GuiApplication();

// Runs Qt's events until `done` holds; false after 20 s.
template <typename Condition>
bool ProcessUntil(Condition done) {
    QDeadlineTimer deadline(20000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The dialog the main window's `menuItem` shows, opened as the user opens it. The dialogs carry
// no Q_OBJECT, so Qt's findChild would take any dialog for one of them.
template <typename Dialog, typename Window>
Dialog* OpenDialog(Window& window, const QString& menuItem) {
    window.Action(menuItem)->trigger();
    for (QDialog* dialog : window.template findChildren<QDialog*>()) {
        if (auto* found = dynamic_cast<Dialog*>(dialog); found != nullptr && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

// With TREVALON_SCREENSHOT_DIR set, saves a picture of `window` there as <name>.png.
void SaveScreenshot(QWidget& window, const QString& name);

}  // namespace trevalon::testing
