// TrevalonManager: the desktop program. It stops the service, runs the engine in its own process
// behind the main window, and ends on the window's Close, SIGTERM or SIGINT.

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>

#include <exception>
#include <string>
#include <vector>

#include "engine/installation_check.h"
#include "engine/syslog_engine.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/settings_file.h"
#include "manager/dialogs/about_window.h"
#include "manager/dialogs/login_database_dialog.h"
#include "manager/main_window/environment_log.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/main_window/qt_text.h"
#include "platform/instance_lock.h"
#include "platform/service_control.h"
#include "platform/termination_signals.h"

namespace {

using namespace trevalon;

// The installation's first step; false after showing why the program cannot start.
bool InstallationReady(EngineSettings& settings) {
    switch (PrepareInstallation(settings)) {
        case InstallationState::kReady:
            return true;
        case InstallationState::kNoLogFolder:
            QMessageBox::critical(nullptr, "Trevalon",
                                  QtText(catalogue::kSystemLogDirectoryNotFound));
            return false;
        case InstallationState::kNoConfFolder:
            QMessageBox::critical(nullptr, "Trevalon",
                                  QtText(catalogue::kSystemInitDirectoryNotFound));
            return false;
        case InstallationState::kNoDriverLibrary:
            QMessageBox::critical(nullptr, "Trevalon", QtText(catalogue::kMySqlLibraryNotFound));
            return false;
    }
    return false;
}

// The first-run size of Part "main window creation": by the screen's size.
void SizeWindow(MainWindow& window, const EngineSettings& settings) {
    if (!settings.FirstRun) {
        window.resize(settings.System.WindowWidth, settings.System.WindowHeight);
        return;
    }
    const QSize screen = QGuiApplication::primaryScreen() != nullptr
                             ? QGuiApplication::primaryScreen()->size()
                             : QSize(1024, 768);
    if (screen.width() < 1024) {
        window.resize(800, 572);
        window.setWindowState(Qt::WindowMaximized);
    } else if (screen.height() < 1024) {
        window.resize(900, 680);
    } else {
        window.resize(1024, 768);
    }
}

// The menu items whose windows exist, each window made on first use and owned by the main window.
void WireDialogs(MainWindow& window) {
    QAction* about = window.Action("About...");
    about->setEnabled(true);
    QObject::connect(about, &QAction::triggered, &window, [&window] {
        auto* shown = window.findChild<AboutWindow*>();
        (shown != nullptr ? shown : new AboutWindow(window))->show();
    });
}

int Run(QApplication& application) {
    EngineSettings settings;
    settings.AppPath = FindAppPath();
    if (!InstallationReady(settings)) {
        return 1;
    }
    platform::InstanceLock instance(platform::InstanceLock::RuntimePath("trevalon-manager"));
    if (!instance.Held()) {
        QMessageBox::warning(nullptr, "Trevalon", QtText(catalogue::kAlreadyStarted));
        return 0;
    }
    // The manager receives instead of the service; without rights over the unit this does
    // nothing, and a port the service still holds shows in the status bar.
    platform::ServiceControl service;
    service.Stop();

    QtOwnerLoop loop;
    SyslogEngine engine(loop, settings, PipelineVariant::Manager());
    bool loginNeeded = false;
    {
        MainWindow window(engine);
        loop.SetErrorHandler([&window](std::exception_ptr error) {
            window.SetStatus(QString::fromStdString(LogUnhandledError(error)));
        });
        platform::TerminationSignals termination([&loop, &window] {
            loop.Post([&window] {
                window.close();
                // A hidden window (RunAsService) closes without ending the loop.
                QCoreApplication::quit();
            });
        });

        WireDialogs(window);
        window.EnableMainControls(false);
        loginNeeded = !engine.Bootstrap();
        window.ApplySettings();
        const SettingsSnapshot loaded = engine.Settings();
        SizeWindow(window, *loaded);
        if (loginNeeded) {
            // Owned by the window.
            (new LoginDatabaseDialog(window, engine))->show();
        } else {
            window.EnableMainControls(true);
        }
        if (!loaded->System.RunAsService) {
            window.show();
        } else if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            // Without a notification area a hidden window could never be shown again.
            window.showMinimized();
        }
        application.exec();

        window.StopReceivers();
        EngineSettings saved = *engine.Settings();
        saved.System.WindowWidth = window.width();
        saved.System.WindowHeight = window.height();
        if (EnsureConfFolder(saved)) {
            SaveSettings(saved);
        }
    }
    WriteDiagnostic(catalogue::kApplicationStops, kLevelInfo);
    if (engine.Settings()->System.RunAsWinService && !loginNeeded) {
        service.Start();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Trevalon");
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    StartEnvironmentLog(QCoreApplication::applicationFilePath().toStdString(), arguments,
                        kProgramVersion, qVersion());
    return Run(application);
}
