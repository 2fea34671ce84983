#pragma once

// "SysLog History & Charts": the stored messages a page of 1000 at a time, newest first, with
// the counts per source, facility and severity as bar charts, an optional filter, and the
// exports of the page and of a chart. The statements run on the loader's thread.

#include <QStringList>

#include <array>
#include <cstdint>

#include "manager/dialogs/manager_dialog.h"
#include "manager/history/history_chart.h"
#include "manager/history/history_loader.h"
#include "manager/history/history_statements.h"
#include "manager/live_lists/live_message_model.h"
#include "manager/main_window/list_export_action.h"

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace trevalon {

class HistoryFilterDialog;
class MessageDetailsPanel;
class SyslogEngine;

class HistoryWindow final : public ManagerDialog {
  public:
    HistoryWindow(MainWindow& window, SyslogEngine& engine);

    // The Chart action: shows the window, steps one page back (a window reopened on a later page
    // comes back one page earlier) and loads.
    void Open();
    // Where the exports ask for their file; a save dialog unless set.
    void SetSavePathChooser(SavePathChooser chooser) {
        choosePath_ = chooser;
        chooseBitmap_ = std::move(chooser);
    }

    // Whether a load runs or waits.
    bool Loading() const { return loader_.Busy() || reloadWaiting_; }
    std::int64_t Offset() const { return offset_; }
    HistoryFilterDialog* FilterWindow() { return filterWindow_; }
    QTabWidget& Pages() { return *pages_; }
    QTreeView& List() { return *list_; }
    LiveMessageModel& Rows() { return rows_; }
    HistoryChart& Chart(history_statements::ChartKind kind) {
        return *charts_[static_cast<std::size_t>(kind)];
    }
    MessageDetailsPanel& DetailsPanel() { return *details_; }
    QPushButton& PreviousButton() { return *previous_; }
    QPushButton& NextButton() { return *next_; }
    QPushButton& FilterButton() { return *filter_; }
    QPushButton& ExportButton() { return *export_; }
    QPushButton& RefreshButton() { return *refresh_; }
    QPushButton& CancelButton() { return *cancel_; }
    QLabel& Status() { return *status_; }
    QProgressBar& Progress() { return *progress_; }
    // "Export all to ..." of the button, and "Export to ..." of the list's context menu.
    QMenu& ExportAllMenu() { return *exportAllMenu_; }
    QMenu& ListMenu() { return *listMenu_; }

  private:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window as Cancel's close does, so the main window gets its controls back.
    void keyPressEvent(QKeyEvent* event) override;
    QWidget* BuildHistoryPage();
    QMenu* ExportMenu(const QString& prefix, bool allRows);
    void BuildStatusBar(QLayout& layout);
    void PageChanged(int page);
    // Forward or back by a page; the paging buttons follow when the rows are counted.
    void PageStep(bool forward);
    // With the stored filter and offset; a load asked for while one runs follows it.
    void Load(bool count);
    void LoadFinished();
    void ShowRows(std::vector<HistoryRow> rows);
    void ShowDetails();
    void ShowFilterWindow();
    void ExportChart();

    SyslogEngine& engine_;
    LiveMessageModel rows_;
    std::array<HistoryChart*, 3> charts_{};
    QTabWidget* pages_ = nullptr;
    QTreeView* list_ = nullptr;
    MessageDetailsPanel* details_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* filter_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QMenu* exportAllMenu_ = nullptr;
    QMenu* listMenu_ = nullptr;
    HistoryFilterDialog* filterWindow_ = nullptr;
    SavePathChooser choosePath_;
    SavePathChooser chooseBitmap_;

    std::int64_t offset_ = 0;
    std::int64_t pageEnd_ = history_statements::kPageSize;
    history_statements::HistoryFilter filterValues_;
    // Ascending next, per column position; the history list's own.
    std::array<bool, 5> ascending_{true, true, true, true, true};
    bool reloadWaiting_ = false;
    bool countWaiting_ = false;
    // Last: a running load ends before the window's parts go.
    HistoryLoader loader_;
};

}  // namespace trevalon
