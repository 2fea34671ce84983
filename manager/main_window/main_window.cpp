#include "manager/main_window/main_window.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <exception>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"

namespace trevalon {
namespace {

// How often the window takes the messages the receivers handed over.
constexpr int kDrainMilliseconds = 50;

struct MenuItem {
    const char* text;  // empty: a separator
    const char* shortcut;
    const char* hint;
};

QTreeView* MakeList(QAbstractItemModel& model, const QString& hint, bool severalRows) {
    auto* list = new QTreeView;
    list->setModel(&model);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(severalRows ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setStatusTip(hint);
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(true);
    return list;
}

}  // namespace

MainWindow::MainWindow(SyslogEngine& engine)
    : engine_(engine),
      feed_(
          messages_, alarms_,
          [this](const std::string& text) { ShowError(QString::fromStdString(text)); },
          [this](bool running) { ShowReception(running); }) {
    setWindowTitle(kManagerCaption);
    engine_.SetObserver(&feed_);

    BuildMenus();
    BuildToolBar();
    setCentralWidget(BuildLists());
    statusBar()->showMessage(QString());
    ApplySettings();

    drain_ = new QTimer(this);
    connect(drain_, &QTimer::timeout, this, [this] { feed_.Drain(); });
    drain_->start(kDrainMilliseconds);
}

MainWindow::~MainWindow() {
    // The engine's threads call the feed until it has stopped them.
    engine_.Shutdown();
}

void MainWindow::BuildMenus() {
    const auto addMenu = [this](const char* title, std::initializer_list<MenuItem> items) {
        QMenu* menu = menuBar()->addMenu(title);
        for (const MenuItem& item : items) {
            if (*item.text == '\0') {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.text);
            action->setShortcut(QKeySequence(item.shortcut));
            action->setStatusTip(item.hint);
            // The dialogs these open come with their own windows.
            action->setEnabled(false);
        }
        return menu;
    };
    addMenu("&SysLog", {{"&Scheduling", "", "Setup the scheduling..."},
                        {"", "", ""},
                        {"S&tart", "Ctrl+Alt+S", "Start receiving SysLog messages..."},
                        {"St&op", "Ctrl+Alt+T", "Stop receiving SysLog messages..."},
                        {"", "", ""},
                        {"&Close", "Ctrl+Alt+Q", "Close the application..."}});
    addMenu("&Edit", {{"&Clear All Messages (SysLog && Alarms)", "Ctrl+Alt+C",
                       "Clear all the SysLog and alarm messages..."},
                      {"C&lear SysLog Messages", "", "Clear SysLog messages..."},
                      {"Cl&ear Alarm Messages", "", "Clear alarm messages..."}});
    QMenu* view = addMenu(
        "&View", {{"&Chart", "", "View the SysLog messages history and charts information..."},
                  {"", "", ""},
                  {"&Function Bar", "F7", "Show or hide the function bar..."},
                  {"&Alarm Messages", "F8", "Show or hide the alarm messages..."},
                  {"", "", ""}});
    QMenu* resolution = view->addMenu("&Resolution");
    resolution->menuAction()->setStatusTip("Change the window size...");
    for (const auto& [text, width, height] :
         {std::tuple{"&800X600", 800, 600}, std::tuple{"&1024X768", 1024, 768}}) {
        QAction* size = resolution->addAction(text);
        size->setStatusTip(QString("Change the window into %1 X %2 in width and height...")
                               .arg(width)
                               .arg(height));
        connect(size, &QAction::triggered, this, [this, w = width, h = height] { resize(w, h); });
    }
    addMenu("&Alarms", {{"&Alarm Options", "", "Setup the alarm methods..."},
                        {"&Contact Options", "", "Setup the contact person..."},
                        {"C&ontact Group Options", "", "Assign any person to contact group..."}});
    addMenu("&Options", {{"&Filtering", "", "Setup the filtering rules..."},
                         {"&General", "", "Setup the general options..."}});
    addMenu("&Help", {{"&Trevalon Help", "F12", "Show the help menu..."},
                      {"", "", ""},
                      {"&Varnholt Home Page", "F11", "Open Varnholt home page..."},
                      {"&FAQ Page", "F10", "Open the Q&&A web page..."},
                      {"", "", ""},
                      {"&About...", "F9", "About..."}});

    start_ = Action("Start");
    stop_ = Action("Stop");
    for (QAction* action : {start_, stop_}) {
        action->setCheckable(true);
        action->setEnabled(true);
    }
    connect(start_, &QAction::triggered, this, [this] { StartReceivers(); });
    connect(stop_, &QAction::triggered, this, [this] { StopReceivers(); });
    const auto wire = [this](const QString& text, auto effect) {
        QAction* action = Action(text);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, effect);
        return action;
    };
    wire("Close", [this] { close(); });
    wire("Clear All Messages (SysLog & Alarms)", [this] {
        messages_.Clear();
        alarms_.Clear();
    });
    wire("Clear SysLog Messages", [this] { messages_.Clear(); });
    wire("Clear Alarm Messages", [this] { alarms_.Clear(); });
    QAction* functionBar =
        wire("Function Bar", [this](bool shown) { toolBar_->setVisible(shown); });
    functionBar->setCheckable(true);
    functionBar->setChecked(true);
    QAction* alarmMessages =
        wire("Alarm Messages", [this](bool shown) { alarmPanel_->setVisible(shown); });
    alarmMessages->setCheckable(true);
}

void MainWindow::BuildToolBar() {
    toolBar_ = addToolBar("Function Bar");
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->addAction(start_);
    toolBar_->addAction(stop_);
    QAction* clearLog = toolBar_->addAction("Clear Log");
    clearLog->setStatusTip("Clear all the SysLog and alarm messages...");
    connect(clearLog, &QAction::triggered, Action("Clear All Messages (SysLog & Alarms)"),
            &QAction::trigger);
}

QWidget* MainWindow::BuildLists() {
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* banner = new QLabel(QStringLiteral("  Trevalon"));
    banner->setFixedHeight(38);
    banner->setStyleSheet("background-color: #5A5557; color: white; font-weight: bold;");
    layout->addWidget(banner);

    messageList_ = MakeList(messages_,
                            "Double Click to show the message, or select and then right-click to "
                            "export message(s)...",
                            true);
    messageList_->setColumnWidth(0, 130);
    messageList_->setColumnWidth(1, 100);
    messageList_->setColumnWidth(2, 80);
    messageList_->setColumnWidth(3, 80);

    alarmList_ = MakeList(alarms_, QString(), false);
    alarmList_->setColumnWidth(0, 1);
    alarmList_->setColumnWidth(1, 130);
    alarmList_->setColumnWidth(3, 125);
    alarmList_->setColumnWidth(5, 100);
    for (QTreeView* list : {messageList_, alarmList_}) {
        connect(list->header(), &QHeaderView::sectionClicked, this,
                [this, list](int column) { SortByHeader(*list, column); });
    }

    alarmPanel_ = new QGroupBox("Alarm Messages - Sending");
    alarmPanel_->setStatusTip("Click to hide the Alarm Messages bar...");
    auto* panelLayout = new QVBoxLayout(alarmPanel_);
    panelLayout->addWidget(alarmList_);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(7);
    splitter->addWidget(messageList_);
    splitter->addWidget(alarmPanel_);
    splitter->setStretchFactor(0, 1);
    splitter->setSizes({400, 120});
    layout->addWidget(splitter, 1);
    return central;
}

void MainWindow::SortByHeader(QTreeView& list, int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= ascending_.size()) {
        return;
    }
    bool& ascending = ascending_[static_cast<std::size_t>(column)];
    list.model()->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    ascending = !ascending;
}

void MainWindow::ApplySettings() {
    const SettingsSnapshot settings = engine_.Settings();
    feed_.SetShowLogItem(settings->System.ShowLogItem);
    messages_.SetColours(*settings);
    alarmPanel_->setVisible(settings->System.ShowWindowAlarmLog);
    Action("Alarm Messages")->setChecked(settings->System.ShowWindowAlarmLog);
}

void MainWindow::StartReceivers() {
    try {
        engine_.StartReceivers();
    } catch (const std::exception& error) {
        // A port that cannot be bound must never look like a start that receives nothing.
        const std::string line = WithErrorText(catalogue::kReceptionStarts, error.what());
        WriteDiagnostic(line, kLevelError);
        SetStatus(QString::fromStdString(line));
    }
}

void MainWindow::StopReceivers() {
    engine_.StopReceivers();
}

void MainWindow::ShowReception(bool running) {
    startEnabled_ = !running;
    start_->setEnabled(controlsEnabled_ && startEnabled_);
    stop_->setEnabled(controlsEnabled_ && !startEnabled_);
    start_->setChecked(running);
    stop_->setChecked(!running);
    const std::string_view text =
        running ? catalogue::kReceptionStarts : catalogue::kReceptionStops;
    SetStatus(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void MainWindow::SetStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::EnableMainControls(bool enabled) {
    controlsEnabled_ = enabled;
    menuBar()->setEnabled(enabled);
    toolBar_->setEnabled(enabled);
    if (enabled) {
        start_->setEnabled(startEnabled_);
        stop_->setEnabled(!startEnabled_);
        start_->setChecked(!startEnabled_);
        stop_->setChecked(startEnabled_);
    }
}

QAction* MainWindow::Action(const QString& text) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->text().remove('&') == QString(text).remove('&')) {
            return action;
        }
    }
    return nullptr;
}

void MainWindow::ShowError(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace trevalon
