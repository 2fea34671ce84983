#include "manager/program/manager_program.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <QSplashScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include <exception>

#include "engine/installation_check.h"
#include "engine/syslog_engine.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/settings_file.h"
#include "manager/dialogs/login_database_dialog.h"
#include "manager/main_window/help_window.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/pictures.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/main_window/qt_text.h"
#include "manager/program/dialog_menu.h"
#include "manager/program/end_request.h"
#include "platform/instance_lock.h"
#include "platform/service_control.h"

namespace trevalon {
namespace {

constexpr int kSplashMilliseconds = 5000;

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

// A missing help set only costs the help.
void CheckHelp(const EngineSettings& settings) {
    if (FindHelpFolder(settings.AppPath).isEmpty()) {
        WriteDiagnostic(catalogue::kHelpFileNotFound, kLevelWarning);
        QMessageBox::warning(nullptr, "Trevalon", QtText(catalogue::kHelpFileNotFound));
    }
}

// The first-run size goes by the screen's size; the window is centred.
void SizeWindow(MainWindow& window, const EngineSettings& settings) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    if (!settings.FirstRun) {
        window.resize(settings.System.WindowWidth, settings.System.WindowHeight);
    } else if (available.width() < 1024) {
        window.resize(800, 572);
        window.setWindowState(Qt::WindowMaximized);
    } else if (available.height() < 1024) {
        window.resize(900, 680);
    } else {
        window.resize(1024, 768);
    }
    window.setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), available));
}

// A borderless picture over the starting window, gone after a few seconds without holding up
// the event loop (and so the reception).
void ShowSplash(QWidget& window) {
    auto* splash = new QSplashScreen(DrawBannerPicture(QSize(420, 200), kProgramVersion));
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    QTimer::singleShot(kSplashMilliseconds, splash, &QWidget::close);
    QObject::connect(&window, &QObject::destroyed, splash, &QWidget::close);
}

}  // namespace

int RunManager(QApplication& application, EndRequest& end) {
    // Until the window runs, an end request answers the message box that waits, if any.
    const auto endWaiting = [&application] {
        QMetaObject::invokeMethod(
            &application,
            [] {
                if (QWidget* box = QApplication::activeModalWidget(); box != nullptr) {
                    box->close();
                }
            },
            Qt::QueuedConnection);
    };
    end.SetHandler(endWaiting);
    EngineSettings settings;
    settings.AppPath = FindAppPath();
    if (!InstallationReady(settings)) {
        return 1;
    }
    CheckHelp(settings);
    platform::InstanceLock instance(platform::InstanceLock::RuntimePath("trevalon-manager"));
    if (!instance.Held()) {
        WriteDiagnostic(catalogue::kAlreadyStarted, kLevelWarning);
        QMessageBox::warning(nullptr, "Trevalon", QtText(catalogue::kAlreadyStarted));
        return 0;
    }
    // The manager receives instead of the service; without rights over the unit this does
    // nothing, and a port the service still holds shows in the status bar.
    platform::ServiceControl service;
    service.Stop();

    // Only the main window's close ends the program: a dialog closed while the window is hidden
    // in the tray must not.
    application.setQuitOnLastWindowClosed(false);
    QtOwnerLoop loop;
    SyslogEngine engine(loop, settings, PipelineVariant::Manager());
    bool loginNeeded = false;
    {
        MainWindow window(engine);
        loop.SetErrorHandler([&window](std::exception_ptr error) {
            window.SetStatus(QString::fromStdString(LogUnhandledError(error)));
        });
        end.SetHandler([&loop, &window] { loop.Post([&window] { window.close(); }); });

        WireDialogs(window, engine);
        window.EnableMainControls(false);
        loginNeeded = !engine.Bootstrap();
        const SettingsSnapshot loaded = engine.Settings();
        SizeWindow(window, *loaded);
        if (loginNeeded) {
            // Owned by the window.
            (new LoginDatabaseDialog(window, engine))->show();
        } else {
            window.EnableMainControls(true);
            window.CheckForNewVersion();
        }
        if (!loaded->System.RunAsService) {
            window.show();
            ShowSplash(window);
        } else if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            // Without a notification area a hidden window could never be shown again.
            window.showMinimized();
        }
        application.exec();
        end.SetHandler(endWaiting);

        window.StopReceivers();
        EngineSettings saved = window.SettingsToSave();
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

}  // namespace trevalon
