#include "manager/program/dialog_menu.h"

#include <QAction>

#include "manager/dialogs/about_window.h"
#include "manager/dialogs/scheduling_dialog.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

// `text`'s menu item shows the window of type Window, made by `make` the first time.
template <typename Window, typename Make>
void Wire(MainWindow& window, const char* text, Make make) {
    QAction* action = window.Action(text);
    action->setEnabled(true);
    QObject::connect(action, &QAction::triggered, &window, [&window, make] {
        auto* shown = window.findChild<Window*>();
        (shown != nullptr ? shown : make())->show();
    });
}

}  // namespace

void WireDialogs(MainWindow& window, SyslogEngine& engine) {
    Wire<SchedulingDialog>(window, "Scheduling",
                           [&window, &engine] { return new SchedulingDialog(window, engine); });
    Wire<AboutWindow>(window, "About...", [&window] { return new AboutWindow(window); });
}

}  // namespace trevalon
