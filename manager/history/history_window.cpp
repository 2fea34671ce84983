#include "manager/history/history_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "engine/syslog_engine.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "manager/history/history_filter_dialog.h"
#include "manager/main_window/list_view.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/message_details_panel.h"

namespace trevalon {
namespace {

using history_statements::ChartKind;
using history_statements::kPageSize;

constexpr int kHistoryPage = 0;

QPushButton* Button(QHBoxLayout& row, const char* caption, const char* hint) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    if (hint != nullptr) {
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    row.addWidget(button);
    return button;
}

void SetHint(QWidget& widget, const char* hint) {
    widget.setToolTip(hint);
    widget.setStatusTip(hint);
}

// A save dialog for bitmap files that adds ".bmp" to a name typed without an extension and asks
// no overwrite question.
SavePathChooser BitmapFileDialog(QWidget* parent) {
    return [parent](const QString& title, const QString& folder, const QString& filter) {
        QFileDialog dialog(parent, title, folder, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix("bmp");
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };
}

}  // namespace

HistoryWindow::HistoryWindow(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "SysLog History & Charts"),
      engine_(engine),
      rows_({"Date Time", "IP", "Facility", "Severity", "Message"}),
      choosePath_(SaveFileDialog(this)),
      chooseBitmap_(BitmapFileDialog(this)),
      loader_(HistoryLoadEvents{
          [this](std::int64_t total) { next_->setEnabled(pageEnd_ < total); },
          [this](const std::string& error) { ReportError("ERR90033 : " + error); },
          [this](int percent) {
              progress_->setValue(percent);
              progress_->show();
          },
          [this](ChartKind kind, std::vector<ChartBar> bars) { Chart(kind).SetBars(bars); },
          [this](std::vector<HistoryRow> rows) { ShowRows(std::move(rows)); },
          [this](const std::string& error) {
              ReportError(WithErrorText(catalogue::kCannotCreateCharts, error));
          },
          [this] { LoadFinished(); }}) {
    resize(742, 496);
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget;
    pages_->addTab(BuildHistoryPage(), "SysLog History");
    charts_ = {new HistoryChart(QColor(0xA6, 0xCA, 0xF0)), new HistoryChart(QColor(0xFF, 0, 0)),
               new HistoryChart(QColor(0xFF, 0, 0xFF))};
    pages_->addTab(charts_[0], "Host Chart");
    pages_->addTab(charts_[1], "Facility Chart");
    pages_->addTab(charts_[2], "Severity Chart");
    layout->addWidget(pages_, 1);

    auto* buttons = new QHBoxLayout;
    previous_ = Button(*buttons, "<< Previous", "Show previous 1000 records...");
    previous_->setEnabled(false);
    next_ = Button(*buttons, "Next >>", "Show next 1000 records...");
    filter_ = Button(*buttons, "Filter", "Filter data by providing required valuables...");
    export_ = Button(*buttons, "Export to", "Export the chart to SysLog History file...");
    refresh_ = Button(*buttons, "Refresh", "Refresh SysLog data...");
    buttons->addStretch();
    cancel_ = Button(*buttons, "Cancel", "Close the window...");
    layout->addLayout(buttons);
    BuildStatusBar(*layout);
    exportAllMenu_ = ExportMenu("Export all to ", true);

    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) { PageChanged(page); });
    connect(previous_, &QPushButton::clicked, this, [this] {
        PageStep(false);
        Load(true);
    });
    connect(next_, &QPushButton::clicked, this, [this] {
        PageStep(true);
        Load(true);
    });
    connect(filter_, &QPushButton::clicked, this, [this] { ShowFilterWindow(); });
    connect(export_, &QPushButton::clicked, this, [this] {
        if (pages_->currentIndex() == kHistoryPage) {
            exportAllMenu_->popup(QCursor::pos());
        } else {
            ExportChart();
        }
    });
    connect(refresh_, &QPushButton::clicked, this, [this] {
        status_->setText("Data refresh.");
        Load(false);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        Window().SetStatus("History & Charts has been closed.");
        close();
    });
}

QWidget* HistoryWindow::BuildHistoryPage() {
    list_ = MakeListView(rows_,
                         "Double Click to show the message, or select and then right-click to "
                         "export message(s)...",
                         true);
    list_->setToolTip(list_->statusTip());
    list_->setColumnWidth(0, DateTimeWidth(*list_, 130));
    list_->setColumnWidth(1, 100);
    list_->setColumnWidth(2, 80);
    list_->setColumnWidth(3, 80);
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByHeader(*list_, column, ascending_); });
    connect(list_, &QTreeView::doubleClicked, this, [this] { ShowDetails(); });
    listMenu_ = ExportMenu("Export to ", false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { listMenu_->popup(list_->viewport()->mapToGlobal(at)); });

    auto* page = new QSplitter(Qt::Horizontal);
    page->addWidget(list_);
    details_ = new MessageDetailsPanel;
    page->addWidget(details_);
    page->setStretchFactor(0, 1);
    return page;
}

QMenu* HistoryWindow::ExportMenu(const QString& prefix, bool allRows) {
    auto* menu = new QMenu(this);
    for (const auto& [name, format] :
         {std::pair{"CSV", ExportFormat::kCsv}, std::pair{"Excel", ExportFormat::kExcel},
          std::pair{"Text", ExportFormat::kText}, std::pair{"HTML", ExportFormat::kHtml}}) {
        connect(menu->addAction(prefix + name), &QAction::triggered, this,
                [this, allRows, f = format] {
                    const auto status = [this](const QString& text) { status_->setText(text); };
                    const std::string folder = engine_.Settings()->LogFolder;
                    if (!allRows) {
                        ExportSelectedRows(*list_, rows_, f, folder, choosePath_, status);
                        return;
                    }
                    std::vector<int> rows(static_cast<std::size_t>(rows_.rowCount()));
                    for (std::size_t row = 0; row < rows.size(); ++row) {
                        rows[row] = static_cast<int>(row);
                    }
                    ExportRows(*list_, rows_, rows, f, folder, choosePath_, status);
                });
    }
    return menu;
}

void HistoryWindow::BuildStatusBar(QLayout& layout) {
    auto* bar = new QStatusBar;
    bar->setSizeGripEnabled(false);
    // Panels of 600 and 300 pixels that a narrower window clips rather than widens for.
    status_ = new QLabel;
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_->setMaximumWidth(600);
    bar->addWidget(status_, 2);
    auto* second = new QWidget;
    second->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    second->setMaximumWidth(300);
    progress_ = new QProgressBar(second);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(300 - 15);
    progress_->hide();
    bar->addWidget(second, 1);
    layout.addWidget(bar);
}

void HistoryWindow::Open() {
    // The facility colours as the settings have them now.
    rows_.SetColours(*engine_.Settings());
    show();
    raise();
    activateWindow();
    status_->setText(
        "It will show the first 1000 history and 10 charting records, please Next button for next "
        "1000 and 10 records");
    PageStep(false);
    Load(true);
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    if (filterWindow_ != nullptr) {
        filterWindow_->hide();
    }
    ManagerDialog::closeEvent(event);
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    ManagerDialog::keyPressEvent(event);
}

void HistoryWindow::PageChanged(int page) {
    const bool history = page == kHistoryPage;
    export_->setText(history ? "Export to" : "Export Chart");
    SetHint(*export_, history ? "Export the SysLog History to CSV/Text/HTML file..."
                              : "Export the chart to BMP file...");
    filter_->setEnabled(history);
}

void HistoryWindow::PageStep(bool forward) {
    if (forward) {
        offset_ += kPageSize;
        pageEnd_ += kPageSize;
    } else if (offset_ > 0) {
        offset_ -= kPageSize;
        pageEnd_ -= kPageSize;
    }
    previous_->setEnabled(offset_ != 0);
}

void HistoryWindow::Load(bool count) {
    if (loader_.Busy()) {
        // One load at a time: the next one runs when this one has finished, with the filter and
        // page of that moment.
        reloadWaiting_ = true;
        countWaiting_ = countWaiting_ || count;
        return;
    }
    const SettingsSnapshot settings = engine_.Settings();
    HistoryLoad load;
    load.connection = {settings->Database.Host, settings->Database.Port,
                       settings->Database.DBUsername, settings->Database.DBPassword,
                       engine_.DataModule().DatabaseName()};
    load.clause = history_statements::FilterClause(filterValues_);
    load.offset = offset_;
    load.count = count;
    loader_.Start(std::move(load));
}

void HistoryWindow::LoadFinished() {
    progress_->hide();
    if (reloadWaiting_) {
        reloadWaiting_ = false;
        const bool count = countWaiting_;
        countWaiting_ = false;
        Load(count);
    }
}

void HistoryWindow::ShowRows(std::vector<HistoryRow> rows) {
    rows_.Clear();
    std::vector<QStringList> oldestFirst;
    oldestFirst.reserve(rows.size());
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        QStringList cells;
        for (const std::string& cell : *row) {
            cells << QString::fromStdString(cell);
        }
        oldestFirst.push_back(std::move(cells));
    }
    rows_.AddOnTop(std::move(oldestFirst));
    // The bar shows the rows appended, full from the hundredth on.
    progress_->setValue(std::min<int>(static_cast<int>(rows.size()), 100));
}

void HistoryWindow::ShowDetails() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        details_->ShowRow(rows_.Row(selected.first().row()));
    }
}

void HistoryWindow::ShowFilterWindow() {
    if (filterWindow_ == nullptr) {
        filterWindow_ =
            new HistoryFilterDialog(*this, [this](const history_statements::HistoryFilter& filter) {
                filterValues_ = filter;
                Load(false);
            });
    }
    filterWindow_->show();
    filterWindow_->raise();
}

void HistoryWindow::ExportChart() {
    auto* chart = dynamic_cast<HistoryChart*>(pages_->currentWidget());
    if (chart == nullptr) {
        return;
    }
    const QString folder = QString::fromStdString(engine_.Settings()->LogFolder);
    const QString chosen =
        chooseBitmap_("Please select exporting bmp file path.", folder, "Bitmap (*.bmp)");
    if (chosen.isEmpty()) {
        return;
    }
    try {
        chart->SaveBitmap(chosen);
    } catch (const std::exception& error) {
        ReportError(WithErrorText(catalogue::kCannotExportCharts, error.what()));
    }
}

}  // namespace trevalon
