#pragma once

// TFormMenu, the manager's main window: menus, tool bar, the live message list and the alarm
// list fed by the engine running in this process, the status bar, and receivers on and off.

#include <QMainWindow>

#include <array>
#include <memory>
#include <vector>

#include "engine/syslog_engine.h"
#include "manager/live_lists/alarm_list_model.h"
#include "manager/live_lists/live_list_feed.h"
#include "manager/live_lists/live_message_model.h"
#include "manager/main_window/list_export_action.h"
#include "manager/main_window/message_details_panel.h"

class QAction;
class QCloseEvent;
class QGroupBox;
class QSystemTrayIcon;
class QLabel;
class QTimer;
class QToolBar;
class QTreeView;

namespace trevalon {

class HelpWindow;
class VersionCheck;

// The program's version: the caption, the About window and the environment log show it.
inline constexpr const char* kProgramVersion = "4.1.0";

class MainWindow final : public QMainWindow {
  public:
    // Becomes the engine's observer, before the engine is initialised; the engine must outlive
    // the window, which shuts it down when it goes.
    explicit MainWindow(SyslogEngine& engine);
    ~MainWindow() override;

    // The engine's settings with what the window tracks: its size and the two bars shown.
    EngineSettings SettingsToSave() const;
    void StartReceivers();
    void StopReceivers();
    void SetStatus(const QString& text);
    void EnableMainControls(bool enabled);
    // A page of the help set; ERR00003 when the help set is missing.
    void ShowHelp(const QString& page);
    // Asks for the newest release in the background; a newer one shows "Download new version".
    void CheckForNewVersion();

    // The action whose menu text, without "&", is `text`.
    QAction* Action(const QString& text) const;
    // Where the list exports ask for their file; a save dialog unless set.
    void SetSavePathChooser(SavePathChooser chooser) { choosePath_ = std::move(chooser); }
    // The live message list's context menu, as a right click opens it.
    QMenu& MessageMenu() { return *messageMenu_; }
    QMenu& TrayMenu() { return *trayMenu_; }
    // While closing waits for the deliveries still running; null otherwise.
    QDialog* ClosingWindow() { return closing_; }
    MessageDetailsPanel& DetailsPanel() { return *details_; }
    QToolBar& FunctionBar() { return *toolBar_; }
    QLabel& Animation() { return *animation_; }
    HelpWindow* Help() { return help_; }

    LiveMessageModel& Messages() { return messages_; }
    AlarmListModel& Alarms() { return alarms_; }
    QTreeView& MessageList() { return *messageList_; }

  private:
    // The engine's current settings: row cap, facility colours, the two bars. Whenever settings
    // are published.
    void ApplySettings();
    void BuildMenus();
    void BuildToolBar();
    void StartAnimation();
    bool event(QEvent* event) override;
    QWidget* BuildLists();
    void BuildMessageMenu();
    void ShowDetails();
    void BuildTray();
    // Deliveries still running are cancelled and waited for, with the closing window shown.
    void closeEvent(QCloseEvent* event) override;
    void SortByHeader(QTreeView& list, int column);
    void ShowReception(bool running);
    void ShowError(const QString& text);

    SyslogEngine& engine_;
    LiveMessageModel messages_;
    AlarmListModel alarms_;
    LiveListFeed feed_;
    QTreeView* messageList_ = nullptr;
    QTreeView* alarmList_ = nullptr;
    MessageDetailsPanel* details_ = nullptr;
    QMenu* messageMenu_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QDialog* closing_ = nullptr;
    SavePathChooser choosePath_;
    QGroupBox* alarmPanel_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    // The tool buttons a dialog disables; not the animation.
    std::vector<QAction*> toolActions_;
    QLabel* animation_ = nullptr;
    HelpWindow* help_ = nullptr;
    std::unique_ptr<VersionCheck> versionCheck_;
    QTimer* drain_ = nullptr;
    QAction* start_ = nullptr;
    QAction* stop_ = nullptr;
    // Ascending next, per column position, shared by both lists.
    std::array<bool, 6> ascending_{true, true, true, true, true, true};
    bool startEnabled_ = true;
    bool controlsEnabled_ = true;
};

}  // namespace trevalon
