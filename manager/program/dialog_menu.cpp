#include "manager/program/dialog_menu.h"

#include <QAction>
#include <QPointer>

#include <chrono>
#include <filesystem>

#include "engine/service_unit.h"
#include "foundation/app_paths.h"
#include "manager/dialogs/about_window.h"
#include "manager/dialogs/alarm_options_dialog.h"
#include "manager/dialogs/contact_groups_dialog.h"
#include "manager/dialogs/contacts_dialog.h"
#include "manager/dialogs/filtering_dialog.h"
#include "manager/dialogs/options_dialog.h"
#include "manager/dialogs/scheduling_dialog.h"
#include "manager/history/history_window.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

// `text`'s menu item shows the window of type Window, made by `make` the first time and kept
// by the main window, which owns it; `open` shows it.
template <typename Window, typename Make>
void Wire(
    MainWindow& window, const char* text, Make make,
    void (*open)(Window&) = [](Window& shown) { shown.show(); }) {
    QAction* action = window.Action(text);
    action->setEnabled(true);
    QObject::connect(action, &QAction::triggered, &window,
                     [make, open, shown = QPointer<Window>()]() mutable {
                         if (shown.isNull()) {
                             shown = make();
                         }
                         open(*shown);
                     });
}

// "Run as window service": this installation's TrevalonService registered as the systemd unit,
// or removed. An existing unit stays as it is. Failures are not reported: a desktop user without
// the rights meets them on every save.
void RegisterServiceUnit(const EngineSettings& settings, bool install) {
    const platform::ServiceControl control;
    if (!install) {
        control.Uninstall();
        return;
    }
    std::error_code ignored;
    if (std::filesystem::exists(control.UnitPath(), ignored)) {
        return;
    }
    const std::string program = InstallationFolder(settings.AppPath, "bin") + "TrevalonService";
    control.Install(UnitForInstallation(settings, program),
                    FilesTheServiceReads(settings, program));
}

}  // namespace

void WireDialogs(MainWindow& window, SyslogEngine& engine) {
    Wire<SchedulingDialog>(window, "Scheduling",
                           [&window, &engine] { return new SchedulingDialog(window, engine); });
    Wire<OptionsDialog>(window, "General", [&window, &engine] {
        return new OptionsDialog(window, engine, RegisterServiceUnit);
    });
    Wire<ContactsDialog>(window, "Contact Options",
                         [&window, &engine] { return new ContactsDialog(window, engine); });
    Wire<ContactGroupsDialog>(window, "Contact Group Options", [&window, &engine] {
        return new ContactGroupsDialog(window, engine);
    });
    Wire<FilteringDialog>(window, "Filtering", [&window, &engine] {
        return new FilteringDialog(window, engine, [](const std::string& host) {
            return platform::Ping(host, std::chrono::milliseconds(1000));
        });
    });
    Wire<AlarmOptionsDialog>(window, "Alarm Options",
                             [&window, &engine] { return new AlarmOptionsDialog(window, engine); });
    Wire<AboutWindow>(window, "About...", [&window] { return new AboutWindow(window); });
    Wire<HistoryWindow>(
        window, "Chart", [&window, &engine] { return new HistoryWindow(window, engine); },
        [](HistoryWindow& history) { history.Open(); });
}

}  // namespace trevalon
