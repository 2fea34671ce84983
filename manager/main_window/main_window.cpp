#include "manager/main_window/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMovie>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "manager/main_window/closing_window.h"
#include "manager/main_window/help_window.h"
#include "manager/main_window/list_view.h"
#include "manager/main_window/message_details_panel.h"
#include "manager/main_window/pictures.h"
#include "manager/main_window/qt_text.h"
#include "manager/main_window/tray_menu.h"
#include "manager/main_window/vendor_addresses.h"
#include "manager/main_window/version_check.h"

namespace trevalon {
namespace {

// How often the window takes the messages the receivers handed over.
constexpr int kDrainMilliseconds = 50;

struct MenuItem {
    const char* text;  // empty: a separator
    const char* shortcut;
    const char* hint;
};

// An action of its own text that runs `target` and follows its enabled state: the tray menu's
// items and the tool buttons whose captions differ from the menu's.
QAction* Mirror(QWidget& owner, QAction* target, const QString& text) {
    auto* mirror = new QAction(text, &owner);
    mirror->setStatusTip(target->statusTip());
    mirror->setEnabled(target->isEnabled());
    QObject::connect(target, &QAction::changed, mirror,
                     [mirror, target] { mirror->setEnabled(target->isEnabled()); });
    QObject::connect(mirror, &QAction::triggered, target, &QAction::trigger);
    return mirror;
}

}  // namespace

MainWindow::MainWindow(SyslogEngine& engine)
    : engine_(engine),
      feed_(messages_, alarms_,
            {[this](const std::string& text) { ShowError(QString::fromStdString(text)); },
             [this](bool running) { ShowReception(running); }, [this] { ApplySettings(); }}) {
    setWindowTitle(QString("Varnholt Trevalon v%1").arg(kProgramVersion));
    setWindowIcon(DrawApplicationIcon());
    engine_.SetObserver(&feed_);

    choosePath_ = SaveFileDialog(this);
    BuildMenus();
    BuildToolBar();
    setCentralWidget(BuildLists());
    BuildMessageMenu();
    BuildTray();
    statusBar()->showMessage(QString());
    ApplySettings();

    drain_ = new QTimer(this);
    connect(drain_, &QTimer::timeout, this, [this] { feed_.Drain(); });
    drain_->start(kDrainMilliseconds);
}

MainWindow::~MainWindow() {
    versionCheck_.reset();
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
                      {"Download new version", "", ""},
                      {"", "", ""},
                      {"&About...", "F9", "About..."}});

    start_ = Action("Start");
    stop_ = Action("Stop");
    for (QAction* action : {start_, stop_}) {
        action->setCheckable(true);
        action->setEnabled(true);
    }
    connect(start_, &QAction::triggered, this, [this] {
        StartReceivers();
        engine_.ArmSchedule(true);
    });
    connect(stop_, &QAction::triggered, this, [this] {
        StopReceivers();
        engine_.ArmSchedule(false);
    });
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

    wire("Trevalon Help", [this] { ShowHelp(kHelpIndexPage); });
    wire("Varnholt Home Page", [] { QDesktopServices::openUrl(QUrl(kHomePage)); });
    wire("FAQ Page", [] { QDesktopServices::openUrl(QUrl(kFaqPage)); });
    wire("Download new version", [] {
        QDesktopServices::openUrl(QUrl(kDownloadPage));
    })->setVisible(false);
}

void MainWindow::BuildToolBar() {
    toolBar_ = addToolBar("Function Bar");
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(32, 32));
    const auto button = [this](QAction* action, ToolPicture picture) {
        action->setIcon(DrawToolPicture(picture));
        toolBar_->addAction(action);
        // 60 x 52, wider where the desktop font needs it for the caption.
        toolBar_->widgetForAction(action)->setMinimumSize(60, 52);
        toolActions_.push_back(action);
        return action;
    };
    button(Mirror(*this, Action("Scheduling"), "Scheduling"), ToolPicture::kScheduling);
    toolBar_->addSeparator();
    button(start_, ToolPicture::kStart);
    button(stop_, ToolPicture::kStop);
    toolBar_->addSeparator();
    QAction* clearLog =
        button(Mirror(*this, Action("Clear All Messages (SysLog & Alarms)"), "Clear Log"),
               ToolPicture::kClearLog);
    auto* clearMenu = new QMenu(this);
    for (const char* text : {"Clear All Messages (SysLog & Alarms)", "Clear SysLog Messages",
                             "Clear Alarm Messages"}) {
        clearMenu->addAction(Action(text));
    }
    auto* clearButton = static_cast<QToolButton*>(toolBar_->widgetForAction(clearLog));
    clearButton->setMenu(clearMenu);
    clearButton->setPopupMode(QToolButton::MenuButtonPopup);
    toolBar_->addSeparator();
    button(Mirror(*this, Action("Alarm Options"), "Alarm"), ToolPicture::kAlarm);
    button(Mirror(*this, Action("Filtering"), "Filtering"), ToolPicture::kFiltering);
    button(Mirror(*this, Action("Chart"), "Chart"), ToolPicture::kChart);
    button(Mirror(*this, Action("General"), "General"), ToolPicture::kGeneral);

    auto* spring = new QWidget;
    spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(spring);
    animation_ = new QLabel;
    animation_->setFixedSize(100, 52);
    animation_->setAlignment(Qt::AlignCenter);
    toolBar_->addWidget(animation_);
}

void MainWindow::StartAnimation() {
    if (animation_->movie() != nullptr) {
        return;
    }
    const QString file =
        QString::fromStdString(InstallationFolder(engine_.Settings()->AppPath, "bin")) +
        "Varnholt.gif";
    auto* movie = new QMovie(file, QByteArray(), animation_);
    // A missing or broken picture leaves the area empty.
    if (!movie->isValid()) {
        delete movie;
        return;
    }
    animation_->setMovie(movie);
    movie->start();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        StartAnimation();
    }
    return QMainWindow::event(event);
}

void MainWindow::ShowHelp(const QString& page) {
    const QString folder = FindHelpFolder(engine_.Settings()->AppPath);
    if (folder.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QtText(catalogue::kHelpFileNotFound));
        return;
    }
    if (help_ == nullptr) {
        help_ = new HelpWindow(this);
    }
    help_->ShowPage(folder, page);
}

void MainWindow::CheckForNewVersion() {
    versionCheck_ = std::make_unique<VersionCheck>(
        engine_.Settings()->System.VersionCheckURL, *this, [this](const std::string& version) {
            // An empty version differs too: the document named no release for this program.
            if (version != kProgramVersion) {
                Action("Download new version")->setVisible(true);
            }
        });
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

    messageList_ =
        MakeListView(messages_,
                     "Double Click to show the message, or select and then right-click to "
                     "export message(s)...",
                     true);
    messageList_->setColumnWidth(0, DateTimeWidth(*messageList_, 130));
    messageList_->setColumnWidth(1, 100);
    messageList_->setColumnWidth(2, 80);
    messageList_->setColumnWidth(3, 80);

    alarmList_ = MakeListView(alarms_, QString(), false);
    // The work-item ID only pairs a finished delivery with its row.
    alarmList_->setColumnHidden(0, true);
    alarmList_->setColumnWidth(1, DateTimeWidth(*alarmList_, 130));
    alarmList_->setColumnWidth(2, 260);
    alarmList_->setColumnWidth(3, 125);
    alarmList_->setColumnWidth(4, 200);
    alarmList_->setColumnWidth(5, 100);
    for (QTreeView* list : {messageList_, alarmList_}) {
        connect(list->header(), &QHeaderView::sectionClicked, this,
                [this, list](int column) { SortByHeader(*list, column); });
    }

    // A finished delivery's row is selected as its status arrives.
    connect(&alarms_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& changed) { alarmList_->setCurrentIndex(changed); });

    auto* messageArea = new QSplitter(Qt::Horizontal);
    messageArea->addWidget(messageList_);
    details_ = new MessageDetailsPanel;
    messageArea->addWidget(details_);
    messageArea->setStretchFactor(0, 1);
    connect(messageList_, &QTreeView::doubleClicked, this, [this] { ShowDetails(); });

    alarmPanel_ = new QGroupBox("Alarm Messages - Sending");
    alarmPanel_->setStatusTip("Click to hide the Alarm Messages bar...");
    auto* panelLayout = new QVBoxLayout(alarmPanel_);
    panelLayout->addWidget(alarmList_);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(7);
    splitter->addWidget(messageArea);
    splitter->addWidget(alarmPanel_);
    splitter->setStretchFactor(0, 1);
    splitter->setSizes({400, 120});
    layout->addWidget(splitter, 1);
    return central;
}

void MainWindow::ShowDetails() {
    const QModelIndexList selected = messageList_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        details_->ShowRow(messages_.Row(selected.first().row()));
    }
}

void MainWindow::BuildMessageMenu() {
    messageMenu_ = new QMenu(this);
    QMenu* exportTo = messageMenu_->addMenu("Export to...");
    exportTo->menuAction()->setStatusTip("Click to export selected message(s) to...");
    for (const auto& [text, format] :
         {std::pair{"CSV", ExportFormat::kCsv}, std::pair{"Excel", ExportFormat::kExcel},
          std::pair{"Text", ExportFormat::kText}, std::pair{"HTML", ExportFormat::kHtml}}) {
        connect(exportTo->addAction(text), &QAction::triggered, this, [this, f = format] {
            ExportSelectedRows(*messageList_, messages_, f, engine_.Settings()->LogFolder,
                               choosePath_, [this](const QString& text) { SetStatus(text); });
        });
    }
    QAction* clearSelected = messageMenu_->addAction("Clear Selected Message(s)");
    clearSelected->setStatusTip("Click to clear selected message(s)...");
    connect(clearSelected, &QAction::triggered, this, [this] {
        std::vector<int> rows;
        for (const QModelIndex& index : messageList_->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        messages_.RemoveRows(std::move(rows));
    });
    messageList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(messageList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        messageMenu_->popup(messageList_->viewport()->mapToGlobal(at));
    });
}

void MainWindow::BuildTray() {
    trayMenu_ = new trevalon::TrayMenu(this);
    connect(trayMenu_->addAction("Show"), &QAction::triggered, this, [this] {
        show();
        raise();
    });
    connect(trayMenu_->addAction("Hide"), &QAction::triggered, this, [this] { hide(); });
    trayMenu_->addSeparator();
    const auto forward = [this](const QString& text) {
        trayMenu_->addAction(Mirror(*this, Action(text), text));
    };
    forward("Trevalon Help");
    trayMenu_->addSeparator();
    forward("Varnholt Home Page");
    forward("FAQ Page");
    trayMenu_->addSeparator();
    forward("About...");
    trayMenu_->addSeparator();
    connect(trayMenu_->addAction("Close"), &QAction::triggered, this, [this] { close(); });

    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setContextMenu(trayMenu_);
    tray_->setToolTip("Trevalon");
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    show();
                    raise();
                }
            });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_->show();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (engine_.ExecutingWorkItems() > 0) {
        if (closing_ == nullptr) {
            engine_.CancelWorkItems();
            closing_ = new trevalon::ClosingWindow(this);
            closing_->show();
            auto* waiting = new QTimer(closing_);
            connect(waiting, &QTimer::timeout, this, [this] {
                if (engine_.ExecutingWorkItems() == 0) {
                    close();
                }
            });
            waiting->start(100);
        }
        event->ignore();
        return;
    }
    if (closing_ != nullptr) {
        closing_->close();
    }
    if (tray_ != nullptr) {
        tray_->hide();
    }
    event->accept();
    // The window's close ends the program, hidden or not.
    QCoreApplication::quit();
}

void MainWindow::SortByHeader(QTreeView& list, int column) {
    trevalon::SortByHeader(list, column, ascending_);
}

void MainWindow::ApplySettings() {
    const SettingsSnapshot settings = engine_.Settings();
    feed_.SetShowLogItem(settings->System.ShowLogItem);
    messages_.SetColours(*settings);
    alarmPanel_->setVisible(settings->System.ShowWindowAlarmLog);
    Action("Alarm Messages")->setChecked(settings->System.ShowWindowAlarmLog);
    toolBar_->setVisible(settings->System.ShowFunctionBar);
    Action("Function Bar")->setChecked(settings->System.ShowFunctionBar);
}

EngineSettings MainWindow::SettingsToSave() const {
    EngineSettings settings = *engine_.Settings();
    settings.System.WindowWidth = width();
    settings.System.WindowHeight = height();
    settings.System.ShowFunctionBar = Action("Function Bar")->isChecked();
    settings.System.ShowWindowAlarmLog = Action("Alarm Messages")->isChecked();
    return settings;
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
    SetStatus(QtText(text));
}

void MainWindow::SetStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::EnableMainControls(bool enabled) {
    controlsEnabled_ = enabled;
    menuBar()->setEnabled(enabled);
    for (QAction* action : toolActions_) {
        toolBar_->widgetForAction(action)->setEnabled(enabled);
    }
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
