#pragma once

// TFormMenu, the manager's main window: menus, tool bar, the live message list and the alarm
// list fed by the engine running in this process, the status bar, and receivers on and off.

#include <QMainWindow>

#include <array>

#include "engine/syslog_engine.h"
#include "manager/live_lists/alarm_list_model.h"
#include "manager/live_lists/live_list_feed.h"
#include "manager/live_lists/live_message_model.h"

class QAction;
class QGroupBox;
class QTimer;
class QTreeView;

namespace trevalon {

inline constexpr const char* kManagerCaption = "Varnholt Trevalon v4.1.0";

class MainWindow final : public QMainWindow {
  public:
    // Becomes the engine's observer, before the engine is initialised; the engine must outlive
    // the window, which shuts it down when it goes.
    explicit MainWindow(SyslogEngine& engine);
    ~MainWindow() override;

    // The engine's current settings: row cap, facility colours, alarm panel. After the settings
    // file was read, and after every change of settings.
    void ApplySettings();
    void StartReceivers();
    void StopReceivers();
    void SetStatus(const QString& text);
    void EnableMainControls(bool enabled);

    // The action whose menu text, without "&", is `text`.
    QAction* Action(const QString& text) const;
    LiveMessageModel& Messages() { return messages_; }
    AlarmListModel& Alarms() { return alarms_; }
    QTreeView& MessageList() { return *messageList_; }

  private:
    void BuildMenus();
    void BuildToolBar();
    QWidget* BuildLists();
    void SortByHeader(QTreeView& list, int column);
    void ShowReception(bool running);
    void ShowError(const QString& text);

    SyslogEngine& engine_;
    LiveMessageModel messages_;
    AlarmListModel alarms_;
    LiveListFeed feed_;
    QTreeView* messageList_ = nullptr;
    QTreeView* alarmList_ = nullptr;
    QGroupBox* alarmPanel_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QTimer* drain_ = nullptr;
    QAction* start_ = nullptr;
    QAction* stop_ = nullptr;
    // Ascending next, per column position, shared by both lists.
    std::array<bool, 6> ascending_{true, true, true, true, true, true};
    bool startEnabled_ = true;
    bool controlsEnabled_ = true;
};

}  // namespace trevalon
